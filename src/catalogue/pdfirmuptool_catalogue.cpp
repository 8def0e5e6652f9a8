// The main window's side of the firmware catalogue: the first search once
// the engine has the release database, and the tool's own update check.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/fleetengine.h"
#include "app/timing.h"
#include "catalogue/applicationupdatedialog.h"

#include <QTimer>

namespace {
constexpr int kFirstSearchDelayMs = 3000;
constexpr int kUpdateCheckDelayMs = 5000;
}

void PDFirmUpTool::releaseDatabaseReady(bool loaded)
{
    update_ui(false);
    if (ui->pushButtonSearch->isEnabled() && loaded) {
        QTimer::singleShot(Timing::scaled(kFirstSearchDelayMs), this, [this] {
            if (m_engine->targetAddresses().isEmpty())
                on_actionBroadcast_triggered();
            else
                on_actionAdvanced_network_search_triggered();
        });
    } else {
        m_startupFinished = true;
    }
    QTimer::singleShot(Timing::scaled(kUpdateCheckDelayMs), this, &PDFirmUpTool::checkForApplicationUpdatesNoMessageIfNewer);
    update_ui(true);
}

void PDFirmUpTool::on_actionCheck_for_updates_triggered()
{
    checkForApplicationUpdates(this, m_engine->releaseDb(), m_engine->databaseLoaded(), true);
}

void PDFirmUpTool::checkForApplicationUpdatesNoMessageIfNewer()
{
    checkForApplicationUpdates(this, m_engine->releaseDb(), m_engine->databaseLoaded(), false);
}

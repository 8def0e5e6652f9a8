// The main window's update history: "View > Update history..." and the
// warning when the history database had to be set aside.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/fleetengine.h"
#include "dialogs/messageboxes.h"
#include "history/updatehistory.h"
#include "history/updatehistorywindow.h"

#include <QDir>

void PDFirmUpTool::connectHistory()
{
    UpdateHistory *history = m_engine->history();
    ui->actionUpdate_history->setEnabled(history != nullptr);
    if (!history)
        return;
    connect(history, &UpdateHistory::setAside, this,
            [this](const QString &path, const QString &asidePath, const QString &reason) {
                const QString text =
                    tr("The update history %1 could not be used (%2). It was renamed to %3 and a new "
                       "history was started.",
                       "1=database file 2=reason 3=new name of the old file")
                        .arg(QDir::toNativeSeparators(path), reason, QDir::toNativeSeparators(asidePath));
                // The store has logged it; the operator is told here.
                MessageBoxes::warning(this, windowTitle(), text, QMessageBox::Ok, QMessageBox::Ok);
            });
}

void PDFirmUpTool::on_actionUpdate_history_triggered()
{
    if (!m_historyWindow)
        m_historyWindow = new UpdateHistoryWindow(m_engine->history(), m_documentsFolder, this);
    if (m_historyWindow->isVisible())
        m_historyWindow->reload();
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

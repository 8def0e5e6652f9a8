// The main window's side of the firmware catalogue: retrieving the release
// database at start-up, starting the first search once it is there, and the
// tool's own update check.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/environmentproxy.h"
#include "app/timing.h"
#include "catalogue/applicationupdatedialog.h"
#include "catalogue/firmwareserver.h"
#include "catalogue/releasedbretrieval.h"

#include <QNetworkProxyFactory>
#include <QStatusBar>
#include <QTimer>

namespace {
constexpr int kFirstSearchDelayMs = 3000;
constexpr int kUpdateCheckDelayMs = 5000;
}

void PDFirmUpTool::createReleaseDbRetrieval()
{
    const QUrl databaseUrl = releaseDatabaseUrl(firmwareServerBaseUrl());
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(databaseUrl));
    qInfo() << "Firmware server connection:"
            << EnvironmentProxy::describe(proxies.value(0, QNetworkProxy(QNetworkProxy::NoProxy)));
    m_releaseDbRetrieval = new ReleaseDbRetrieval(m_cacheFolder, databaseUrl, this);
    connect(m_releaseDbRetrieval, &ReleaseDbRetrieval::statusMessage, statusBar(), &QStatusBar::showMessage);
    connect(m_releaseDbRetrieval, &ReleaseDbRetrieval::databaseReady, this, &PDFirmUpTool::releaseDatabaseReady);
}

void PDFirmUpTool::downloadJsonData()
{
    m_releaseDb.clear();
    m_databaseLoaded = false;
    m_releaseDbRetrieval->downloadJsonData();
}

void PDFirmUpTool::releaseDatabaseReady(const FirmwareReleaseDb &database, bool loaded)
{
    m_releaseDb = database;
    m_databaseLoaded = loaded;
    m_databaseVersion = m_releaseDb.databaseVersion();
    m_databaseHasLegacyModels = false;
    FirmwareRelease release;
    for (int i = 0; i < m_releaseDb.count() && !m_databaseHasLegacyModels; ++i)
        m_databaseHasLegacyModels = m_releaseDb.recordAt(i, release) == 0 && release.legacyModel != 0;

    update_ui(false);
    if (ui->pushButtonSearch->isEnabled() && m_databaseLoaded) {
        QTimer::singleShot(Timing::scaled(kFirstSearchDelayMs), this, [this] {
            if (m_targetAddresses.isEmpty())
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
    checkForApplicationUpdates(this, m_releaseDb, m_databaseLoaded, true);
}

void PDFirmUpTool::checkForApplicationUpdatesNoMessageIfNewer()
{
    checkForApplicationUpdates(this, m_releaseDb, m_databaseLoaded, false);
}

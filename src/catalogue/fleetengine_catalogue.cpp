// The engine's side of the firmware catalogue: retrieving the release
// database from the firmware server, with the local copy as the fallback.
#include "app/fleetengine.h"

#include "app/environmentproxy.h"
#include "catalogue/releasedbretrieval.h"

#include <QNetworkProxyFactory>

void FleetEngine::retrieveReleaseDatabase()
{
    if (!m_releaseDbRetrieval) {
        const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(m_databaseUrl));
        qInfo() << "Firmware server connection:"
                << EnvironmentProxy::describe(proxies.value(0, QNetworkProxy(QNetworkProxy::NoProxy)));
        m_releaseDbRetrieval = new ReleaseDbRetrieval(m_cacheFolder, m_databaseUrl, this);
        connect(m_releaseDbRetrieval, &ReleaseDbRetrieval::statusMessage, this, &FleetEngine::statusMessage);
        connect(m_releaseDbRetrieval, &ReleaseDbRetrieval::databaseReady, this, &FleetEngine::releaseDatabaseArrived);
    }
    m_releaseDb.clear();
    m_databaseLoaded = false;
    m_releaseDbRetrieval->downloadJsonData();
}

void FleetEngine::releaseDatabaseArrived(const FirmwareReleaseDb &database, bool loaded)
{
    m_releaseDb = database;
    m_databaseLoaded = loaded;
    m_databaseVersion = m_releaseDb.databaseVersion();
    m_databaseHasLegacyModels = false;
    FirmwareRelease release;
    for (int i = 0; i < m_releaseDb.count() && !m_databaseHasLegacyModels; ++i)
        m_databaseHasLegacyModels = m_releaseDb.recordAt(i, release) == 0 && release.legacyModel != 0;
    emit databaseReady(loaded);
}

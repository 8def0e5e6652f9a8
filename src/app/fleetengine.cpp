#include "app/fleetengine.h"

#include "app/timing.h"
#include "catalogue/firmwarefolder.h"
#include "catalogue/firmwareserver.h"
#include "discovery/displaysearchudp.h"
#include "history/updatehistory.h"
#include "download/firmwarefiles.h"
#include "lanupdate/updatequeue.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

FleetEngine::Environment FleetEngine::Environment::system()
{
    Environment environment;
    environment.interfaces = LanInterfaces::fromSystem();
    environment.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    environment.updateJournalFile = UpdateJournal::defaultPath();
    if (!environment.updateJournalFile.isEmpty())
        environment.updateLockFile = QFileInfo(environment.updateJournalFile).dir().filePath(QStringLiteral("lan-updates.lock"));
    environment.databaseUrl = releaseDatabaseUrl(firmwareServerBaseUrl());
    environment.historyFile = UpdateHistory::defaultPath();
    return environment;
}

FleetEngine::FleetEngine(const Environment &environment, QObject *parent)
    : QObject(parent)
    , m_interfaces(environment.interfaces)
    , m_databaseUrl(environment.databaseUrl)
    , m_updateJournal(environment.updateJournalFile)
    , m_updateLockFile(environment.updateLockFile)
{
    if (!environment.historyFile.isEmpty())
        m_history = new UpdateHistory(environment.historyFile, this);
    m_firmUpdateTimer.setInterval(Timing::scaled(1000));
    connect(&m_firmUpdateTimer, &QTimer::timeout, this, &FleetEngine::updateTick);

    m_udpSearch = new DisplaySearchUDP(this);
    connect(m_udpSearch, &DisplaySearchUDP::device_results, this, &FleetEngine::searchReply);
    connect(m_udpSearch, &DisplaySearchUDP::finished, this, &FleetEngine::searchEnded);

    m_cacheFolder = localFirmwareFolder(true, environment.documentsFolder);
    qInfo() << "Local cache folder:" << m_cacheFolder;
    // No download has started yet: temporary files are left over from a run that ended abruptly.
    FirmwareFiles::removeTemporaryFiles(m_cacheFolder);
}

FleetEngine::~FleetEngine() = default;

bool FleetEngine::updatesActive() const
{
    return m_powerSaveChangePending || m_runningUpdates > 0 || m_firmUpdateTimer.isActive();
}

BusyState FleetEngine::busyState(int currentRow) const
{
    BusyState state;
    state.searching = m_searching;
    state.pendingTcpReplies = m_pendingTcpReplies;
    state.activeDownloads = m_activeDownloads;
    state.runningUpdates = m_runningUpdates;
    state.downloadBatchPending = m_downloadForUsbDrive || m_downloadForModelUsbDrive || m_downloadForLanUpdate;
    state.powerSaveChangePending = m_powerSaveChangePending;
    state.databaseLoaded = m_databaseLoaded;
    state.hasTargetAddresses = !m_targetAddresses.isEmpty();
    state.list = tallyDisplayList(m_displayList, currentRow);
    return state;
}

QList<int> FleetEngine::rowsOfRelease(const FirmwareRelease &release) const
{
    QList<int> rows;
    for (int row = 0; row < m_displayList.size(); ++row) {
        if (release.models.contains(m_displayList.at(row).modelName, Qt::CaseInsensitive))
            rows.append(row);
    }
    return rows;
}

bool FleetEngine::deselectAll()
{
    bool changed = false;
    for (int row = 0; row < m_displayList.size(); ++row) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        // A row with an update session keeps its check: it is part of that update.
        if (entry.updateClient || !entry.selectedForUpdate)
            continue;
        entry.selectedForUpdate = false;
        emit rowChanged(row);
        changed = true;
    }
    return changed;
}

bool FleetEngine::holdUpdateLock(QString *why)
{
    if (m_updateLock || m_updateLockFile.isEmpty())
        return true;
    QDir().mkpath(QFileInfo(m_updateLockFile).path());
    auto lock = std::make_unique<QLockFile>(m_updateLockFile);
    // Held for hours while updates run: never stale by age, only when the
    // program that holds it has ended.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_updateLock = std::move(lock);
        return true;
    }
    if (why) {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool known = lock->getLockInfo(&pid, &host, &application);
        *why = known ? tr("Another program (%1, process %2) is updating displays. Try again when it has finished.",
                          "1=program name 2=process id")
                           .arg(QFileInfo(application).fileName())
                           .arg(pid)
                     : tr("Another program is updating displays. Try again when it has finished.");
    }
    return false;
}

#pragma once

#include "app/commandstate.h"
#include "catalogue/firmwarereleasedb.h"
#include "discovery/laninterfaces.h"
#include "discovery/pdtcpreply.h"
#include "discovery/udpsearchreplyinfo.h"
#include "displaylist/displaylistentry.h"
#include "lanupdate/updatejournal.h"
#include "lanupdate/updaterun.h"

#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

class DisplaySearchUDP;
class DownloadExtractFirmware;
class ReleaseDbRetrieval;
class UpdateHistory;
namespace UpdateQueue {
struct ConfirmationTexts;
struct PlannedRow;
}

// The work of the tool on a fleet of displays, without a window: the
// display list, searches and refreshes with their control exchanges and
// probes, matching against the release database, the download batches
// before a LAN update or a USB drive, the update queue with its estimates,
// the journal of running updates and the check of each updated display.
// Its faces (the main window and the command line) start the work through
// its commands and show what it reports: the list's changes, status texts,
// and the questions it cannot answer itself (the update confirmation, the
// USB drive dialog). Everything runs on the thread's event loop.
class FleetEngine : public QObject
{
    Q_OBJECT

public:
    // What the engine takes from the machine; tests supply their own.
    struct Environment
    {
        LanInterfaceList interfaces;
        QString documentsFolder;   // holds the firmware folder
        QString updateJournalFile; // record of running LAN updates; empty: none
        QString updateLockFile;    // one writer of LAN updates at a time; empty: no lock
        QUrl databaseUrl;          // the release database on the firmware server
        QString historyFile;       // the update history database; empty: none

        static Environment system();
    };

    explicit FleetEngine(const Environment &environment, QObject *parent = nullptr);
    ~FleetEngine() override;

    // --- State
    const DisplayList &displays() const { return m_displayList; }
    // The list itself, for a table model whose check box writes to it.
    DisplayList *displayList() { return &m_displayList; }
    const FirmwareReleaseDb &releaseDb() const { return m_releaseDb; }
    bool databaseLoaded() const { return m_databaseLoaded; }
    bool databaseHasLegacyModels() const { return m_databaseHasLegacyModels; }
    int databaseVersion() const { return m_databaseVersion; }
    QString firmwareFolder() const { return m_cacheFolder; }
    const LanInterfaceList &interfaces() const { return m_interfaces; }
    // Where LAN updates (and, through the faces, downloads and USB drives)
    // are recorded; nullptr when the environment names no history file.
    UpdateHistory *history() const { return m_history; }
    QList<QHostAddress> targetAddresses() const { return m_targetAddresses; }
    void setTargetAddresses(const QList<QHostAddress> &addresses) { m_targetAddresses = addresses; }
    int multiUpdateLimit() const { return m_multiUpdateLimit; }
    void setMultiUpdateLimit(int limit) { m_multiUpdateLimit = limit; }
    bool legacyEnabled() const { return m_legacyEnabled; }
    void setLegacyEnabled(bool enabled) { m_legacyEnabled = enabled; }
    // The confirmation lists asset tags (the window follows its column).
    void setShowAssetTag(bool show) { m_showAssetTag = show; }
    bool searching() const { return m_searching; }
    int pendingControlReplies() const { return m_pendingTcpReplies; }
    int runningUpdates() const { return m_runningUpdates; }
    // Updates are confirmed, queued or running, or the journal is not yet in step.
    bool updatesActive() const;
    // Checks of updated displays that have not reported yet.
    int pendingChecks() const { return m_pendingChecks; }
    // The counters and flags the commands depend on; `currentRow` is the
    // row the operator selected (-1: none).
    BusyState busyState(int currentRow) const;
    // Rows whose model the release lists (ignoring case).
    QList<int> rowsOfRelease(const FirmwareRelease &release) const;

    // --- Catalogue
    // Fetches the release database; ends with databaseReady.
    void retrieveReleaseDatabase();

    // --- Search and control
    // Replaces the list by the displays that answer a search: by broadcast
    // on the interface at `interfaceIndex` of interfaces() (kAllInterfaces:
    // on every one), or of the targeted address list. False (and a status
    // text) when the search could not start.
    static constexpr int kAllInterfaces = -2;
    bool searchBroadcast(int interfaceIndex);
    bool searchTargeted();
    void refreshRow(int row);
    void refreshAll();
    // One of the power or power-save request flags.
    void requestPowerChange(int row, int flag);
    // Unchecks every row that is not part of an update.
    bool deselectAll();

    // --- Downloads
    // The firmware folder is known; otherwise a status text says so.
    bool firmwareFolderAvailable();
    // "Update firmware via LAN": brings the checked rows' firmware into the
    // folder, then asks for the confirmation (lanUpdateReady) or ends
    // (lanUpdateNotStarted).
    void downloadForLanUpdate();
    // The firmware of `release` for a USB drive; usbDriveReady once it is
    // there. `rows` are shown downloading; `model` names the selected display.
    void firmwareForUsbDrive(const FirmwareRelease &release, const QString &model, const QList<int> &rows,
                             bool forSelectedDisplay);
    void cancelDownloads();
    int activeDownloads() const { return m_activeDownloads; }
    // How far the running download batch has come, 0 to 1; -1 when none runs.
    double downloadFraction() const;

    // --- LAN updates
    // The checked rows' sessions-to-be, and those the queue refuses.
    QList<UpdateQueue::PlannedRow> planFirmwareUpdates() const;
    // The confirmation's texts for the rows that will be updated.
    UpdateQueue::ConfirmationTexts confirmationTexts() const;
    // The operator confirmed: power-save changes first, then the queue. False
    // (with updateRefused) when another program is updating displays.
    bool confirmUpdates();
    // Takes the lock that lets one program at a time update displays, and
    // keeps it until the engine ends (or, taken by confirmUpdates, until the
    // queue has ended). False, with the reason, while another program holds it.
    bool holdUpdateLock(QString *why = nullptr);
    void cancelQueuedUpdates();
    // The tally of the last (or running) run of the update queue.
    const UpdateRun &updateRun() const { return m_updateRun; }
    // Tells once about updates that a previous run left running (interruptedUpdates).
    void reportInterruptedUpdates();

signals:
    void rowsAdded(int count);
    void rowChanged(int row); // -1: every row
    void listReset();
    // What is going on, for a status line (timeoutMs 0: until replaced).
    void statusMessage(const QString &text, int timeoutMs = 0);
    // Counters or rows changed: commands may change their state.
    void stateChanged(bool describe);
    void databaseReady(bool loaded);
    // The search and its control exchanges have ended and the rows are matched.
    void searchFinished();
    void downloadsRunning(bool running);
    // A download batch has ended: releases downloaded and failed.
    void downloadBatchEnded(int downloaded, int failed, bool cancelled);
    // The firmware is present: the faces ask the operator and call confirmUpdates.
    void lanUpdateReady();
    // The update command ended without a confirmation (download failure,
    // nothing to update, every row refused).
    void lanUpdateNotStarted();
    void usbDriveReady(const FirmwareRelease &release);
    // A download for a USB drive failed (not cancelled): why.
    void downloadFailed(const QString &text);
    // Another program holds the update lock.
    void updateRefused(const QString &text);
    void updatesFinished();
    void interruptedUpdates(const QString &text);

private:
    friend class PDFirmUpToolTestAccess;
    friend class FleetEngineTestAccess;

    // Search and control (discovery/fleetengine_search.cpp).
    bool startSearch(bool broadcast, const QList<QHostAddress> &destinations);
    void dropDisplayRows();
    void searchReply(DISPLAY_UDP_SEARCH_REPLY_INFO info);
    void searchEnded();
    void startTcpClient(int row, int flags, void (FleetEngine::*resultSlot)(PD_TCP_REPLY));
    bool rowAcceptsRequest(int row) const;
    int rowOfExchange(const QHostAddress &address, int from = 0) const;
    void releaseTcpClient(DISPLAY_LIST_ENTRY &entry);
    void controlResult(PD_TCP_REPLY rep);
    void requestResult(PD_TCP_REPLY rep);
    // After every merged control result: ends the batch of exchanges once
    // none is outstanding.
    void controlResultMerged();
    void matchDisplayRows(bool autoSelect);

    // Catalogue (catalogue/fleetengine_catalogue.cpp).
    void releaseDatabaseArrived(const FirmwareReleaseDb &database, bool loaded);

    // Downloads (download/fleetengine_download.cpp).
    void whenPresenceKnown(const QList<FirmwareRelease> &releases, std::function<void(const QList<bool> &)> then);
    void startDownloadBatch(const QList<int> &rows, const QList<FirmwareRelease> &releases,
                            const QList<bool> &present);
    bool missingAfterDownload(const FirmwareRelease &release);
    void startFirmwareDownload(int id);
    void downloadProgress(int instance, int value, int total, const QString &message);
    void downloadStatus(int instance, int status);
    void downloadBatchFinished();

    // LAN updates (lanupdate/fleetengine_lanupdate.cpp).
    // lanUpdateReady when a row is left to confirm, else the refusals and lanUpdateNotStarted.
    void requestConfirmation();
    void reportQueueRefusals(const QList<UpdateQueue::PlannedRow> &plans);
    QString withQueueRefusals(const QString &line) const;
    void queueFirmwareUpdates();
    void updateTick();
    bool serviceUpdateQueue();
    // The queue has nothing left to run.
    void endUpdates();
    bool writeUpdateJournal();
    void releaseUpdateClient(int row);
    // `historyKey` names the session's history record, which the check completes.
    void checkUpdatedDisplay(int row, const QString &firmwareBefore, const QString &historyKey);

    // History (history/fleetengine_history.cpp).
    // Records the session of `row` that has just ended; its record's key.
    QString recordUpdateSession(int row, const QDateTime &started, const QString &firmwareBefore);
    void recordInterruptedUpdates(const QList<UpdateJournal::Entry> &entries);

    // Discovery and control
    LanInterfaceList m_interfaces;
    QList<QHostAddress> m_targetAddresses;
    DisplaySearchUDP *m_udpSearch = nullptr;
    DisplayList m_displayList;
    int m_foundCount = 0;
    bool m_searching = false;
    int m_pendingTcpReplies = 0;
    bool m_refreshPending = false;
    bool m_powerRequestPending = false;
    bool m_matchPending = false; // search or refresh results came in since the last matching

    // Catalogue
    QUrl m_databaseUrl;
    FirmwareReleaseDb m_releaseDb;
    ReleaseDbRetrieval *m_releaseDbRetrieval = nullptr;
    bool m_databaseLoaded = false;
    bool m_databaseHasLegacyModels = false;
    int m_databaseVersion = 0;

    // Downloads
    QString m_cacheFolder;
    QList<DownloadExtractFirmware *> m_downloads;
    // The releases of the running batch; a release's position is its job's id.
    QList<FirmwareRelease> m_downloadReleases;
    int m_activeDownloads = 0;
    QHash<int, double> m_downloadShares; // how far each job of the batch has come, by id
    int m_batchDownloaded = 0;
    int m_batchFailed = 0;
    int m_lastDownloadStatus = 0;
    bool m_downloadBatchError = false;
    bool m_cancelRequested = false;
    bool m_downloadForLanUpdate = false;
    bool m_downloadForUsbDrive = false;
    bool m_downloadForModelUsbDrive = false;
    // What a USB drive continuation repeats.
    QString m_usbDriveModel;
    QList<int> m_usbDriveRows;
    // Packages (by URL) that the batches of one command and its
    // continuations have brought in; a continuation never fetches them again.
    QStringList m_downloadedInChain;
    bool m_continuing = false;

    // LAN updates
    QTimer m_firmUpdateTimer;
    int m_runningUpdates = 0;
    UpdateRun m_updateRun;
    int m_multiUpdateLimit = 5;
    bool m_legacyEnabled = false;
    bool m_showAssetTag = true;
    bool m_powerSaveChangePending = false;
    QString m_queueRefusals; // why checked rows of the last queueing were not queued
    UpdateJournal m_updateJournal;
    QHash<int, QDateTime> m_updateStarted; // of each running row
    // The updates have ended but the journal could not yet be brought in step.
    bool m_awaitingJournal = false;
    int m_pendingChecks = 0;
    QString m_updateLockFile;
    std::unique_ptr<QLockFile> m_updateLock;
    bool m_releaseLockAfterQueue = false; // the queue took the lock, not a face

    UpdateHistory *m_history = nullptr;
};

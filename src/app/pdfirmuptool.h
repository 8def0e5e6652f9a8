#pragma once

#include "catalogue/firmwarereleasedb.h"
#include "discovery/laninterfaces.h"
#include "discovery/pdtcpreply.h"
#include "discovery/udpsearchreplyinfo.h"
#include "displaylist/displaylistentry.h"
#include "lanupdate/updatejournal.h"

#include <QHostAddress>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QTimer>

#include <functional>

namespace Ui {
class PDFirmUpTool;
}
class DisplaySearchUDP;
class DownloadExtractFirmware;
class MySortFilterProxyModel;
class QMenu;
class QPushButton;
class ReleaseDbRetrieval;
class SV_Information_Dialog;
class displayListModel;
namespace UpdateQueue {
struct PlannedRow;
}

// The main window: owns the display list and every long-lived worker,
// routes the operator's commands and keeps their enabled state consistent
// with what is running. Command groups live in their own source files
// (pdfirmuptool_*.cpp) so that each concern stays readable.
class PDFirmUpTool : public QMainWindow
{
    Q_OBJECT

public:
    // What the window takes from the machine; tests supply their own.
    struct Environment
    {
        LanInterfaceList interfaces;
        QString documentsFolder; // holds the firmware cache folder
        QString readmeFolder;    // where the README files lie
        QString updateJournalFile; // record of running LAN updates; empty: none

        static Environment system();
    };

    explicit PDFirmUpTool(QWidget *parent = nullptr);
    explicit PDFirmUpTool(const Environment &environment, QWidget *parent = nullptr);
    ~PDFirmUpTool() override;

    SV_Information_Dialog *logWindow() const { return m_logWindow; }

    // The LAN interfaces a broadcast search can use.
    const LanInterfaceList &interfaces() const { return m_interfaces; }
    QList<QHostAddress> allBroadcastAddresses() const;
    LanInterfaceInfo interfaceAt(int index) const;

    // HTML of the information panel for a source row, or -1 for none.
    QString buildDisplayInfoHtml(int row) const;

signals:
    void update_info(int row);
    void addRow(int row);
    void resetAll();

public slots:
    void update_ui();
    void update_ui(bool update_description_text);
    void selectionCurrentRowChanged(const QModelIndex &current, const QModelIndex &previous);
    void itemMenuAboutToShow();
    void cancel_download_clicked();

    // Display control requests of the table's row menus.
    void refresh_row_by_TcpClient(int row);
    void requestPowerOn_by_TcpClient(int row);
    void requestPowerOff_by_TcpClient(int row);
    void requestSetPowerSaveToAutoPowerSave_by_TcpClient(int row);
    void requestSetPowerSaveToAutoStandby_by_TcpClient(int row);

    void UDPSearchStartNoForceBroadcast();
    void FirmUpdateTimerHandle();

    // Search and control results (discovery/pdfirmuptool_search.cpp).
    void device_results_DisplaySearchUDP(DISPLAY_UDP_SEARCH_REPLY_INFO info);
    void finished_DisplaySearchUDP();
    void device_results_TcpClient(PD_TCP_REPLY rep);
    void perform_request_TcpClient(PD_TCP_REPLY rep);

    // Release database and tool update check (catalogue/pdfirmuptool_catalogue.cpp).
    void releaseDatabaseReady(const FirmwareReleaseDb &database, bool loaded);
    void checkForApplicationUpdatesNoMessageIfNewer();

    // Firmware download batches (download/pdfirmuptool_download.cpp).
    void downloadFirmwareprogressChanged(int instance, int value, int total, QString message);
    void downloadFirmwareStatusChanged(int instance, int status);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    // Menu commands, connected by name.
    void on_actionExit_X_triggered();
    void on_actionExport_display_list_triggered();
    void on_actionBroadcast_triggered();
    void on_actionAdvanced_network_search_triggered();
    void on_actionConfigureAdvanced_search_network_triggered();
    void on_actionCreate_USB_drive_for_another_model_triggered();
    void on_actionDownload_firmware_for_offline_use_triggered();
    void on_actionRefreshSelected_triggered();
    void on_actionRefreshAll_triggered();
    void on_actionCancel_all_queued_updates_via_LAN_triggered();
    void on_actionOption_T_triggered();
    void on_actionCreat_file_hash_triggered();
    void on_actionClear_downloaded_firmware_files_triggered();
    void on_actionLog_triggered();
    void on_actionShow_Asset_Tag_column_toggled(bool checked);
    void on_actionShow_MAC_Address_column_toggled(bool checked);
    void on_actionVersion_A_triggered();
    void on_actionCheck_for_updates_triggered();
    void on_actionView_README_triggered();

    // Buttons, connected by name.
    void on_pushButtonSearch_clicked();
    void on_download_pushButton_clicked();
    void on_create_usb_drive_pushButton_clicked();
    void on_deselect_all_pushButton_clicked();

private:
    friend class PDFirmUpToolTestAccess;

    // Construction steps.
    void fillInterfaceSelector();
    void loadSettings();
    void saveSettings();
    void setUpDisplayTable();
    void buildSearchMenu();
    void addStatusBarWidgets();
    void createReleaseDbRetrieval();
    void downloadJsonData();

    // Searches and control exchanges.
    void searchDisplays(bool forceBroadcast);
    // Empties the list, abandoning the exchanges still running for it.
    void dropDisplayRows();
    void startTcpClient(int row, int flags, void (PDFirmUpTool::*resultSlot)(PD_TCP_REPLY));
    // The row takes a refresh or power request: no exchange and no update running.
    bool rowAcceptsRequest(int row) const;
    void requestPowerChange(int row, int flag);
    // First row from `from` on with an exchange in flight for address, or -1.
    int rowOfExchange(const QHostAddress &address, int from = 0) const;
    void releaseTcpClient(DISPLAY_LIST_ENTRY &entry);
    // After every merged control result: ends the batch of exchanges once
    // none is outstanding.
    void controlResultMerged();
    void matchDisplayRows(bool autoSelect);
    void queueFirmwareUpdates();

    // LAN updates (lanupdate/pdfirmuptool_lanupdate.cpp).
    // The checked rows' sessions-to-be, and those refused.
    QList<UpdateQueue::PlannedRow> planFirmwareUpdates() const;
    // Logs each refusal and keeps their texts on the status line.
    void reportQueueRefusals(const QList<UpdateQueue::PlannedRow> &plans);
    QString withQueueRefusals(const QString &line) const;
    // One queue tick; true while sessions run.
    bool serviceUpdateQueue();
    int remainingSecondsEstimate() const;
    // Brings the journal of running updates in step (removed when none
    // runs); false while that fails.
    bool writeUpdateJournal();
    // Tells the operator about updates that a previous run left running.
    void reportInterruptedUpdates();
    void releaseUpdateClient(int row);
    // Reads the firmware version of a display whose update has completed,
    // once it has restarted, into the row's information panel and the log.
    void checkUpdatedDisplay(int row, const QString &firmwareBefore);

    // Firmware downloads (download/pdfirmuptool_download.cpp).
    // The firmware folder is known; otherwise the operator is told so.
    bool firmwareFolderAvailable();
    // The USB drive for a model picked by name: its firmware first.
    void prepareUsbDriveForModel(const FirmwareRelease &release);
    // Finds off the window's thread which of `releases` are in the firmware
    // folder, then runs `then` with the answer; the window is busy meanwhile.
    void whenPresenceKnown(const QList<FirmwareRelease> &releases, std::function<void(const QList<bool> &)> then);
    // The LAN update's batch once it is known which of the checked rows'
    // releases (in row order) are present.
    void startDownloadBatch(const QList<int> &rows, const QList<FirmwareRelease> &releases,
                            const QList<bool> &present);
    // The USB drive dialog for `release` once its firmware is in the folder,
    // after a download (its `rows` shown downloading, the `continuation`
    // flag set) when it is not; `model` names the selected display's model.
    void firmwareForUsbDrive(const FirmwareRelease &release, const QString &model, const QList<int> &rows,
                             bool PDFirmUpTool::*continuation);
    // A release that this chain of batches brought in, verified, and that is
    // not present now: its rows fail with the reason (true) instead of
    // fetching the same files again.
    bool missingAfterDownload(const FirmwareRelease &release);
    // Starts the job of m_downloadReleases[id] as part of the running batch.
    void startFirmwareDownload(int id);
    // Rows whose model the release lists (ignoring case).
    QList<int> rowsOfRelease(const FirmwareRelease &release) const;
    // The last job of a batch has reported: tell the operator, then run the
    // pending continuations.
    void downloadBatchFinished();
    // Steps that follow a batch, built by the LAN update and USB drive work.
    void confirm_firmware_update();
    void openUsbDriveDialog(const FirmwareRelease &release);

    // Attaches the search button's drop-down only while an address list exists.
    void attachSearchMenu();
    // Source row of the first selected table row, or -1.
    int currentRow() const;
    void applyColumnVisibility();
    void setWaitCursor(bool busy);
    // Every column but the last to its contents (update_ui schedules it).
    void resizeColumnsToContents();

    // Form and windows
    Ui::PDFirmUpTool *ui;
    SV_Information_Dialog *m_logWindow = nullptr;
    QMenu *m_searchMenu = nullptr;
    QPushButton *m_cancelDownloadsButton = nullptr;
    QString m_readmeFolder;
    QString m_documentsFolder; // where an export is offered first
    bool m_waitCursorShown = false;
    QTimer m_columnResizeTimer;
    QString m_infoHtml; // what the information panel shows

    // Display list
    DisplayList m_displayList;
    displayListModel *m_model = nullptr;
    MySortFilterProxyModel *m_proxy = nullptr;
    bool m_infoRefreshPending = false;
    bool m_startupFinished = false;

    // Discovery and control
    LanInterfaceList m_interfaces;
    QList<QHostAddress> m_targetAddresses;
    QString m_ipScanText;
    int m_foundCount = 0;
    bool m_searching = false;
    int m_pendingTcpReplies = 0;
    bool m_refreshPending = false;
    bool m_powerRequestPending = false;
    // Search or refresh results came in since the last matching.
    bool m_matchPending = false;
    DisplaySearchUDP *m_udpSearch = nullptr;

    // Firmware catalogue
    FirmwareReleaseDb m_releaseDb;
    ReleaseDbRetrieval *m_releaseDbRetrieval = nullptr;
    bool m_databaseLoaded = false;
    bool m_databaseHasLegacyModels = false;
    int m_databaseVersion = 0;

    // Firmware downloads
    QString m_cacheFolder;
    QList<DownloadExtractFirmware *> m_downloads;
    // The releases of the running batch; a release's position is its job's id.
    QList<FirmwareRelease> m_downloadReleases;
    int m_activeDownloads = 0;
    int m_lastDownloadStatus = 0;
    bool m_downloadBatchError = false;
    bool m_cancelRequested = false;
    bool m_downloadForLanUpdate = false;
    bool m_downloadForUsbDrive = false;
    bool m_downloadForModelUsbDrive = false;
    // Packages (by URL) that the batches of one command and its
    // continuations have brought in; a continuation never fetches them again.
    QStringList m_downloadedInChain;
    bool m_continuing = false; // a continuation runs a command again

    // LAN updates
    QTimer m_firmUpdateTimer;
    int m_runningUpdates = 0;
    int m_multiUpdateLimit = 5;
    bool m_legacyEnabled = false;
    bool m_powerSaveChangePending = false;
    bool m_cautionsAccepted = false;
    QString m_queueRefusals; // why checked rows of the last queueing were not queued
    UpdateJournal m_updateJournal;
    // Start time of each running row.
    QHash<int, QDateTime> m_updateStarted;
    // The updates have ended but the journal could not yet be brought in step.
    bool m_awaitingJournal = false;
};

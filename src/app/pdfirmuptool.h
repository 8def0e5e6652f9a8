#pragma once

#include "catalogue/firmwarerelease.h"
#include "discovery/laninterfaces.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QTimer>

namespace Ui {
class PDFirmUpTool;
}
class FleetEngine;
class LongRunFeedback;
class MySortFilterProxyModel;
class QMenu;
class QPushButton;
class SV_Information_Dialog;
class UpdateHistoryWindow;
class displayListModel;

// The main window: a view of the fleet engine that does the work. It shows
// the display list, the information panel, the status line and the log,
// forwards the operator's commands to the engine, asks the questions the
// engine leaves to the operator, and keeps every command's enabled state
// consistent with what is running. Command groups live in their own source
// files (pdfirmuptool_*.cpp).
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
        QString updateLockFile;    // one program at a time updates displays; empty: no lock
        QString historyFile;       // the update history database; empty: none

        static Environment system();
    };

    explicit PDFirmUpTool(QWidget *parent = nullptr);
    explicit PDFirmUpTool(const Environment &environment, QWidget *parent = nullptr);
    ~PDFirmUpTool() override;

    SV_Information_Dialog *logWindow() const { return m_logWindow; }
    FleetEngine *engine() const { return m_engine; }

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
    void checkForApplicationUpdatesNoMessageIfNewer();

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
    void on_actionUpdate_history_triggered();
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
    void connectEngine();
    void setUpDisplayTable();
    void buildSearchMenu();
    void addStatusBarWidgets();
    // Tells the operator when the update history had to start afresh
    // (history/pdfirmuptool_history.cpp).
    void connectHistory();

    void searchDisplays(bool forceBroadcast);
    // The release database is in: the first search follows (catalogue/pdfirmuptool_catalogue.cpp).
    void releaseDatabaseReady(bool loaded);
    // The cautions (once per run) and the confirmation, then the engine
    // queues the updates (lanupdate/pdfirmuptool_lanupdate.cpp).
    void confirm_firmware_update();
    // The firmware folder is known; otherwise the operator is told so.
    bool firmwareFolderAvailable();
    // The USB drive for a model picked by name: its firmware first.
    void prepareUsbDriveForModel(const FirmwareRelease &release);
    void openUsbDriveDialog(const FirmwareRelease &release);

    // Attaches the search button's drop-down only while an address list exists.
    void attachSearchMenu();
    // Source row of the first selected table row, or -1.
    int currentRow() const;
    void applyColumnVisibility();
    void setWaitCursor(bool busy);
    // Every column but the last to its contents (update_ui schedules it).
    void resizeColumnsToContents();

    Ui::PDFirmUpTool *ui;
    FleetEngine *m_engine = nullptr;
    SV_Information_Dialog *m_logWindow = nullptr;
    UpdateHistoryWindow *m_historyWindow = nullptr; // made when first opened
    QMenu *m_searchMenu = nullptr;
    QPushButton *m_cancelDownloadsButton = nullptr;
    LongRunFeedback *m_feedback = nullptr;
    QString m_readmeFolder;
    QString m_documentsFolder; // where an export is offered first
    bool m_waitCursorShown = false;
    QTimer m_columnResizeTimer;
    QString m_infoHtml; // what the information panel shows
    displayListModel *m_model = nullptr;
    MySortFilterProxyModel *m_proxy = nullptr;
    bool m_infoRefreshPending = false;
    bool m_startupFinished = false;
    QString m_ipScanText;
    bool m_cautionsAccepted = false; // the operator accepted the update cautions in this run
};

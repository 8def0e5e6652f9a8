#pragma once

#include "catalogue/firmwarereleasedb.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>

namespace Ui {
class DownloadFirmwareForOfflineDialog;
}
class DownloadExtractFirmware;
class QListWidgetItem;
class QProgressDialog;

// Downloads the firmware of chosen models into the firmware folder for later
// use on a network without Internet access. Lists every model of the
// releases that can be applied over the LAN by this build; the models of one
// release are checked together, and releases already in the folder show
// checked and disabled once the folder has been read (off the window's
// thread). While a batch runs, a progress dialog shows the bytes received,
// the files finished and the speed, and the dialog cannot be closed.
class DownloadFirmwareForOfflineDialog : public QDialog
{
    Q_OBJECT

public:
    DownloadFirmwareForOfflineDialog(const QString &folder, const FirmwareReleaseDb &database,
                                     QWidget *parent = nullptr);
    ~DownloadFirmwareForOfflineDialog() override;

public slots:
    void downloadFirmwareprogressChanged(int instance, int value, int total, QString message);
    void downloadFirmwareStatusChanged(int instance, int status);
    void cancelDownload();
    void reject() override;

private slots:
    void on_download_pushButton_clicked();
    void on_cancel_pushButton_clicked();
    void on_listWidget_itemChanged(QListWidgetItem *item);

private:
    // Finds, off the window's thread, the releases present in the folder,
    // then shows them.
    void refresh();
    // Marks the releases found in the folder and enables what may be used.
    void showDownloaded();
    void updateDownloadButton();
    void batchFinished();

    Ui::DownloadFirmwareForOfflineDialog *ui;
    QString m_folder;
    FirmwareReleaseDb m_database;
    QList<int> m_downloaded;                 // record indices present in the folder
    QList<FirmwareRelease> m_releases;        // of the batch, by download id
    QList<DownloadExtractFirmware *> m_downloads;
    int m_activeDownloads = 0;
    bool m_checking = false; // the folder is being read
    bool m_error = false;
    qint64 m_totalBytes = 0;                 // -1: unknown
    QList<qint64> m_receivedBytes;           // by download id
    QElapsedTimer m_stopwatch;
    QPointer<QProgressDialog> m_progress;
};

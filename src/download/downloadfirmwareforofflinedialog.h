#pragma once

#include "download/offlinedownloadbatch.h"

#include <QDialog>
#include <QPointer>

namespace Ui {
class DownloadFirmwareForOfflineDialog;
}
class QListWidgetItem;
class QProgressDialog;

// Lets the operator choose the models whose firmware is downloaded into the
// firmware folder for later use on a network without Internet access; the
// batch itself is an OfflineDownloadBatch. Lists every model of the offered
// releases; the models of one release are checked together, and releases
// already in the folder show checked and disabled once the folder has been
// read. While a batch runs, a progress dialog shows the bytes received, the
// files finished and the speed, and the dialog cannot be closed.
class DownloadFirmwareForOfflineDialog : public QDialog
{
    Q_OBJECT

public:
    DownloadFirmwareForOfflineDialog(const QString &folder, const FirmwareReleaseDb &database,
                                     QWidget *parent = nullptr);
    ~DownloadFirmwareForOfflineDialog() override;

    // Where each release downloaded is recorded; nullptr: nowhere.
    void setHistory(UpdateHistory *history) { m_batch.setHistory(history); }

public slots:
    void cancelDownload();
    void reject() override;

private slots:
    void on_download_pushButton_clicked();
    void on_cancel_pushButton_clicked();
    void on_listWidget_itemChanged(QListWidgetItem *item);

private:
    // Has the folder read again; until it is known what is there, nothing
    // can be downloaded.
    void refresh();
    // Marks the releases found in the folder and enables what may be used.
    void showPresent();
    void updateButtons();
    void showProgress(qint64 received, int finished, int started, const QString &speedText);
    void batchFinished(bool error);

    Ui::DownloadFirmwareForOfflineDialog *ui;
    OfflineDownloadBatch m_batch;
    QPointer<QProgressDialog> m_progress;
};

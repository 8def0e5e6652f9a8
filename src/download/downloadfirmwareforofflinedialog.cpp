#include "download/downloadfirmwareforofflinedialog.h"

#include "ui_downloadfirmwareforofflinedialog.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>

#include <limits>

namespace {

int releaseIndexOf(const QListWidgetItem *item)
{
    return item->data(Qt::UserRole).toInt();
}

int clampedToInt(qint64 value)
{
    return int(qMin<qint64>(value, std::numeric_limits<int>::max()));
}

}

DownloadFirmwareForOfflineDialog::DownloadFirmwareForOfflineDialog(const QString &folder,
                                                                   const FirmwareReleaseDb &database,
                                                                   QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DownloadFirmwareForOfflineDialog)
    , m_batch(folder, database)
{
    ui->setupUi(this);
    ui->download_pushButton->setEnabled(false);
    for (const OfferedRelease &offered : m_batch.offeredReleases()) {
        for (const QString &model : offered.release.models) {
            QString text = model;
            if (offered.release.needSNMatchPosition >= 1)
                text += tr(" (%1)", "1=info about serial number restriction").arg(offered.release.needSNMatchListingText);
            auto *item = new QListWidgetItem(text);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            item->setData(Qt::UserRole, offered.recordIndex);
            ui->listWidget->addItem(item);
        }
    }
    ui->listWidget->sortItems(Qt::AscendingOrder);
    connect(&m_batch, &OfflineDownloadBatch::presentChecked, this, &DownloadFirmwareForOfflineDialog::showPresent);
    connect(&m_batch, &OfflineDownloadBatch::progressChanged, this,
            [this](qint64 received, qint64, int finished, int started, const QString &speedText) {
                showProgress(received, finished, started, speedText);
            });
    connect(&m_batch, &OfflineDownloadBatch::finished, this, &DownloadFirmwareForOfflineDialog::batchFinished);
    refresh();
}

DownloadFirmwareForOfflineDialog::~DownloadFirmwareForOfflineDialog()
{
    delete ui;
}

void DownloadFirmwareForOfflineDialog::refresh()
{
    m_batch.checkPresent();
    updateButtons();
}

void DownloadFirmwareForOfflineDialog::showPresent()
{
    const QList<int> &present = m_batch.presentReleases();
    const QSignalBlocker blocker(ui->listWidget);
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        QListWidgetItem *item = ui->listWidget->item(row);
        const bool downloaded = present.contains(releaseIndexOf(item));
        if (downloaded)
            item->setCheckState(Qt::Checked);
        item->setFlags(downloaded ? item->flags() & ~Qt::ItemIsEnabled : item->flags() | Qt::ItemIsEnabled);
    }
    updateButtons();
}

void DownloadFirmwareForOfflineDialog::updateButtons()
{
    bool checked = false;
    for (int row = 0; row < ui->listWidget->count() && !checked; ++row) {
        const QListWidgetItem *item = ui->listWidget->item(row);
        checked = (item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Checked;
    }
    ui->download_pushButton->setEnabled(checked && !m_batch.isRunning() && !m_batch.isChecking());
    ui->cancel_pushButton->setEnabled(!m_batch.isRunning());
}

void DownloadFirmwareForOfflineDialog::on_listWidget_itemChanged(QListWidgetItem *item)
{
    // The models of one release share its firmware: they are chosen together.
    const int index = releaseIndexOf(item);
    {
        const QSignalBlocker blocker(ui->listWidget);
        for (int row = 0; row < ui->listWidget->count(); ++row) {
            QListWidgetItem *other = ui->listWidget->item(row);
            if (other != item && releaseIndexOf(other) == index)
                other->setCheckState(item->checkState());
        }
    }
    updateButtons();
}

void DownloadFirmwareForOfflineDialog::on_download_pushButton_clicked()
{
    QList<int> indices;
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        const QListWidgetItem *item = ui->listWidget->item(row);
        if (item->checkState() == Qt::Checked)
            indices.append(releaseIndexOf(item));
    }
    if (m_batch.start(indices) == 0) {
        ui->status_label->setText(tr("Ready", "fw download is complete"));
        return;
    }

    const qint64 total = m_batch.totalBytes();
    m_progress = new QProgressDialog(tr("Firmware download"), tr("Cancel"), 0, total < 0 ? -1 : clampedToInt(total), this);
    m_progress->setWindowFlags(m_progress->windowFlags() & ~Qt::WindowCloseButtonHint
                               & ~Qt::WindowContextHelpButtonHint);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(0);
    connect(m_progress, &QProgressDialog::canceled, this, &DownloadFirmwareForOfflineDialog::cancelDownload);
    m_progress->show();
    ui->status_label->setText(tr("Downloading...", "fw is downloading"));
    updateButtons();
}

void DownloadFirmwareForOfflineDialog::cancelDownload()
{
    m_batch.cancel();
}

void DownloadFirmwareForOfflineDialog::showProgress(qint64 received, int finished, int started, const QString &speedText)
{
    if (!m_progress)
        return;
    if (!speedText.isEmpty()) {
        const TransferSpeed speed = m_batch.speed();
        m_progress->setLabelText(tr("Downloaded %1 of %2 files (%3 %4)",
                                    "1=files remaining, 2=total files to download 3=download speed 4=speed units")
                                     .arg(finished)
                                     .arg(started)
                                     .arg(speed.value, 3, 'f', 1)
                                     .arg(speed.unit));
    }
    // Last: a modal progress dialog handles pending events while it takes a value.
    m_progress->setValue(clampedToInt(received));
}

void DownloadFirmwareForOfflineDialog::batchFinished(bool error)
{
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    refresh();
    ui->status_label->setText(error ? tr("Download error") : tr("Download complete"));
}

void DownloadFirmwareForOfflineDialog::on_cancel_pushButton_clicked()
{
    reject();
}

void DownloadFirmwareForOfflineDialog::reject()
{
    // Closing would abandon the downloads halfway.
    if (m_batch.isRunning())
        return;
    QDialog::reject();
}

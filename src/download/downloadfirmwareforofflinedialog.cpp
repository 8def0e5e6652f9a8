#include "download/downloadfirmwareforofflinedialog.h"

#include "ui_downloadfirmwareforofflinedialog.h"

#include "app/appinfo.h"
#include "download/downloadextractfirmware.h"
#include "download/offthreadwork.h"
#include "download/speedtext.h"

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
    , m_folder(folder)
    , m_database(database)
{
    ui->setupUi(this);
    ui->download_pushButton->setEnabled(false);
    FirmwareRelease release;
    for (int i = 0; i < m_database.count(); ++i) {
        if (m_database.recordAt(i, release) != 0 || release.updateViaHTTP == 0
            || release.requiresAppBuild > AppInfo::kApplicationBuildNumber)
            continue;
        for (const QString &model : qAsConst(release.models)) {
            QString text = model;
            if (release.needSNMatchPosition >= 1)
                text += tr(" (%1)", "1=info about serial number restriction").arg(release.needSNMatchListingText);
            auto *item = new QListWidgetItem(text);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            item->setData(Qt::UserRole, i);
            ui->listWidget->addItem(item);
        }
    }
    ui->listWidget->sortItems(Qt::AscendingOrder);
    refresh();
}

DownloadFirmwareForOfflineDialog::~DownloadFirmwareForOfflineDialog()
{
    // Jobs still running go with the dialog; their last words are not heard.
    for (DownloadExtractFirmware *job : qAsConst(m_downloads))
        job->disconnect(this);
    delete ui;
}

void DownloadFirmwareForOfflineDialog::refresh()
{
    QList<int> indices;
    QList<FirmwareRelease> releases;
    FirmwareRelease release;
    for (int i = 0; i < m_database.count(); ++i) {
        if (m_database.recordAt(i, release) == 0 && release.updateViaHTTP != 0) {
            indices.append(i);
            releases.append(release);
        }
    }
    // Reading the folder's firmware takes its time; until it is known what
    // is there, nothing can be downloaded.
    m_checking = true;
    updateDownloadButton();
    ui->cancel_pushButton->setEnabled(m_activeDownloads == 0);
    OffThreadWork::run(
        this,
        [folder = m_folder, releases](const std::atomic_bool &cancel) {
            return QVariant::fromValue(DownloadExtractFirmware::presentReleases(folder, releases, cancel));
        },
        [this, indices](const QVariant &result) {
            const QList<bool> present = result.value<QList<bool>>();
            m_downloaded.clear();
            for (int k = 0; k < indices.size(); ++k) {
                if (present.value(k))
                    m_downloaded.append(indices.at(k));
            }
            m_checking = false;
            showDownloaded();
        });
}

void DownloadFirmwareForOfflineDialog::showDownloaded()
{
    const QSignalBlocker blocker(ui->listWidget);
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        QListWidgetItem *item = ui->listWidget->item(row);
        const bool downloaded = m_downloaded.contains(releaseIndexOf(item));
        if (downloaded)
            item->setCheckState(Qt::Checked);
        item->setFlags(downloaded ? item->flags() & ~Qt::ItemIsEnabled : item->flags() | Qt::ItemIsEnabled);
    }
    updateDownloadButton();
}

void DownloadFirmwareForOfflineDialog::updateDownloadButton()
{
    bool checked = false;
    for (int row = 0; row < ui->listWidget->count() && !checked; ++row) {
        const QListWidgetItem *item = ui->listWidget->item(row);
        checked = (item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Checked;
    }
    ui->download_pushButton->setEnabled(checked && m_activeDownloads == 0 && !m_checking);
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
    updateDownloadButton();
}

void DownloadFirmwareForOfflineDialog::on_download_pushButton_clicked()
{
    QList<int> indices;
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        const QListWidgetItem *item = ui->listWidget->item(row);
        const int index = releaseIndexOf(item);
        if (item->checkState() == Qt::Checked && !m_downloaded.contains(index) && !indices.contains(index))
            indices.append(index);
    }
    if (indices.isEmpty()) {
        ui->status_label->setText(tr("Ready", "fw download is complete"));
        return;
    }

    m_releases.clear();
    m_receivedBytes.clear();
    m_error = false;
    m_totalBytes = 0;
    // Holds the batch open while it is being started: a job that finds its
    // package in the folder ends within start().
    ++m_activeDownloads;
    for (int index : qAsConst(indices)) {
        FirmwareRelease release;
        m_database.recordAt(index, release);
        const int id = m_releases.size();
        m_releases.append(release);
        m_receivedBytes.append(0);
        // A release of unknown size makes the whole batch's total unknown.
        if (m_totalBytes >= 0)
            m_totalBytes = release.fileSize < 1 ? -1 : m_totalBytes + release.fileSize;
        auto *job = new DownloadExtractFirmware(id, release, m_folder, this);
        connect(job, &DownloadExtractFirmware::progressChanged, this,
                &DownloadFirmwareForOfflineDialog::downloadFirmwareprogressChanged);
        connect(job, &DownloadExtractFirmware::statusChanged, this,
                &DownloadFirmwareForOfflineDialog::downloadFirmwareStatusChanged);
        m_downloads.append(job);
        ++m_activeDownloads;
        job->start();
    }

    m_progress = new QProgressDialog(tr("Firmware download"), tr("Cancel"), 0,
                                     m_totalBytes < 0 ? -1 : clampedToInt(m_totalBytes), this);
    m_progress->setWindowFlags(m_progress->windowFlags() & ~Qt::WindowCloseButtonHint
                               & ~Qt::WindowContextHelpButtonHint);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(0);
    connect(m_progress, &QProgressDialog::canceled, this, &DownloadFirmwareForOfflineDialog::cancelDownload);
    m_progress->show();
    ui->status_label->setText(tr("Downloading...", "fw is downloading"));
    m_stopwatch.start();
    ui->download_pushButton->setEnabled(false);
    ui->cancel_pushButton->setEnabled(false);
    if (--m_activeDownloads == 0)
        batchFinished();
}

void DownloadFirmwareForOfflineDialog::cancelDownload()
{
    // A job may report at once and leave the list.
    const QList<DownloadExtractFirmware *> jobs = m_downloads;
    for (auto it = jobs.crbegin(); it != jobs.crend(); ++it)
        (*it)->cancel();
}

void DownloadFirmwareForOfflineDialog::downloadFirmwareprogressChanged(int instance, int value, int, QString)
{
    if (instance < 0 || instance >= m_receivedBytes.size())
        return;
    m_receivedBytes[instance] = value;
    qint64 received = 0;
    for (qint64 bytes : qAsConst(m_receivedBytes))
        received += bytes;
    if (!m_progress)
        return;
    const qint64 elapsedMs = m_stopwatch.isValid() ? m_stopwatch.elapsed() : 0;
    if (elapsedMs > 0) {
        const TransferSpeed speed = transferSpeed(received, elapsedMs);
        const int started = m_releases.size();
        m_progress->setLabelText(tr("Downloaded %1 of %2 files (%3 %4)",
                                    "1=files remaining, 2=total files to download 3=download speed 4=speed units")
                                     .arg(started - m_activeDownloads)
                                     .arg(started)
                                     .arg(speed.value, 3, 'f', 1)
                                     .arg(speed.unit));
    }
    // Last: a modal progress dialog handles pending events while it takes a value.
    m_progress->setValue(clampedToInt(received));
}

void DownloadFirmwareForOfflineDialog::downloadFirmwareStatusChanged(int instance, int status)
{
    if (instance >= 0 && instance < m_releases.size() && status != 0)
        m_error = true;
    if (auto *job = qobject_cast<DownloadExtractFirmware *>(sender())) {
        m_downloads.removeOne(job);
        job->deleteLater();
    }
    if (--m_activeDownloads == 0)
        batchFinished();
}

void DownloadFirmwareForOfflineDialog::batchFinished()
{
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    refresh();
    if (m_error) {
        ui->status_label->setText(tr("Download error"));
    } else {
        ui->status_label->setText(tr("Download complete"));
        m_stopwatch.invalidate();
    }
}

void DownloadFirmwareForOfflineDialog::on_cancel_pushButton_clicked()
{
    reject();
}

void DownloadFirmwareForOfflineDialog::reject()
{
    // Closing would abandon the downloads halfway.
    if (m_activeDownloads > 0)
        return;
    QDialog::reject();
}

// The main window's side of firmware downloads: the batches that bring the
// firmware of the checked displays (before a LAN update) or of one release
// (before a USB drive) into the firmware folder, their progress in the rows
// and the status bar, the cancel control, the offline download dialog and
// the two maintenance commands of the firmware folder.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "dialogs/messageboxes.h"
#include "download/downloadextractfirmware.h"
#include "download/downloadfirmwareforofflinedialog.h"
#include "download/downloadstatus.h"
#include "download/firmwarefiles.h"
#include "download/offthreadwork.h"

#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>

namespace {

constexpr int kBatchEndMessageMs = 5000;

}

bool PDFirmUpTool::firmwareFolderAvailable()
{
    // Without the folder, file names would resolve against the working folder.
    if (!m_cacheFolder.isEmpty())
        return true;
    statusBar()->showMessage(tr("The firmware folder is not available."));
    return false;
}

QList<int> PDFirmUpTool::rowsOfRelease(const FirmwareRelease &release) const
{
    QList<int> rows;
    for (int row = 0; row < m_displayList.size(); ++row) {
        if (release.models.contains(m_displayList.at(row).modelName, Qt::CaseInsensitive))
            rows.append(row);
    }
    return rows;
}

void PDFirmUpTool::startFirmwareDownload(int id)
{
    auto *job = new DownloadExtractFirmware(id, m_downloadReleases.at(id), m_cacheFolder, this);
    connect(job, &DownloadExtractFirmware::progressChanged, this, &PDFirmUpTool::downloadFirmwareprogressChanged);
    connect(job, &DownloadExtractFirmware::statusChanged, this, &PDFirmUpTool::downloadFirmwareStatusChanged);
    m_downloads.append(job);
    m_cancelDownloadsButton->show();
    ++m_activeDownloads;
    job->start();
}

void PDFirmUpTool::whenPresenceKnown(const QList<FirmwareRelease> &releases,
                                     std::function<void(const QList<bool> &)> then)
{
    // Reading large firmware takes its time: the window stays responsive
    // and counts as busy meanwhile.
    ++m_activeDownloads;
    update_ui(false);
    OffThreadWork::run(
        this,
        [folder = m_cacheFolder, releases](const std::atomic_bool &cancel) {
            return QVariant::fromValue(DownloadExtractFirmware::presentReleases(folder, releases, cancel));
        },
        [this, then = std::move(then)](const QVariant &present) {
            --m_activeDownloads;
            update_ui(false);
            then(present.value<QList<bool>>());
        });
}

bool PDFirmUpTool::missingAfterDownload(const FirmwareRelease &release)
{
    if (!m_downloadedInChain.contains(release.downloadLoc))
        return false;
    m_lastDownloadStatus = DownloadStatus::NotAsListed;
    const QList<int> rows = rowsOfRelease(release);
    for (int row : rows) {
        m_displayList[row].downloadStatus = DownloadState::Error;
        emit update_info(row);
    }
    qInfo() << "Error" << DownloadStatus::statusText(m_lastDownloadStatus) << "downloading firmware for:"
            << release.models;
    statusBar()->showMessage(tr("Download error"), kBatchEndMessageMs);
    return true;
}

void PDFirmUpTool::on_download_pushButton_clicked()
{
    if (!firmwareFolderAvailable())
        return;
    if (!m_continuing)
        m_downloadedInChain.clear();
    QList<int> rows;
    QList<FirmwareRelease> releases;
    for (int row = 0; row < m_displayList.size(); ++row) {
        const DISPLAY_LIST_ENTRY &entry = m_displayList.at(row);
        const bool needsFirmware = entry.matchStatus == MatchStatus::NewerViaLan
            || entry.matchStatus == MatchStatus::NotComparable || entry.matchStatus == MatchStatus::UpToDate;
        FirmwareRelease release;
        if (needsFirmware && entry.selectedForUpdate
            && m_releaseDb.findForDisplay(entry.modelName, entry.serialNumber, release) == 0) {
            rows.append(row);
            releases.append(release);
        }
    }
    whenPresenceKnown(releases, [this, rows, releases](const QList<bool> &present) {
        startDownloadBatch(rows, releases, present);
    });
}

void PDFirmUpTool::startDownloadBatch(const QList<int> &rows, const QList<FirmwareRelease> &releases,
                                      const QList<bool> &present)
{
    m_downloadReleases.clear();
    QStringList seriesInBatch;
    bool failed = false;
    // Holds the batch open while it is being started: a job that finds its
    // package in the folder may end before the loop does.
    ++m_activeDownloads;
    for (int i = 0; i < rows.size(); ++i) {
        const int row = rows.at(i);
        if (row >= m_displayList.size())
            continue; // emptied by a search meanwhile
        const FirmwareRelease &release = releases.at(i);
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        if (present.value(i)) {
            qInfo() << "Firmware downloaded and verified for models:" << release.models;
            entry.downloadStatus = DownloadState::Downloaded;
        } else if (missingAfterDownload(release)) {
            failed = true;
        } else {
            entry.downloadStatus = DownloadState::Downloading;
            entry.downloadPercent = 0;
            // One download per series and batch: releases of one series
            // may share files, so a second one waits for the next pass.
            if (!seriesInBatch.contains(release.seriesName)) {
                m_cancelRequested = false;
                seriesInBatch.append(release.seriesName);
                m_downloadReleases.append(release);
                qInfo() << "Starting firmware download for:" << release.models;
                startFirmwareDownload(m_downloadReleases.size() - 1);
            }
        }
        emit update_info(row);
    }
    --m_activeDownloads;
    if (!m_downloadReleases.isEmpty()) {
        m_downloadForLanUpdate = true;
        m_downloadBatchError = m_downloadBatchError || failed;
    }
    update_ui(false);
    if (m_downloadReleases.isEmpty()) {
        if (!rows.isEmpty() && !failed)
            confirm_firmware_update();
    } else if (m_activeDownloads == 0) {
        downloadBatchFinished();
    }
}

void PDFirmUpTool::on_create_usb_drive_pushButton_clicked()
{
    const int row = currentRow();
    FirmwareRelease release;
    if (row < 0 || !firmwareFolderAvailable()
        || m_releaseDb.findForDisplay(m_displayList.at(row).modelName, m_displayList.at(row).serialNumber, release)
            != 0)
        return;
    firmwareForUsbDrive(release, m_displayList.at(row).modelName, {row}, &PDFirmUpTool::m_downloadForUsbDrive);
}

void PDFirmUpTool::prepareUsbDriveForModel(const FirmwareRelease &release)
{
    if (firmwareFolderAvailable())
        firmwareForUsbDrive(release, QString(), rowsOfRelease(release), &PDFirmUpTool::m_downloadForModelUsbDrive);
}

void PDFirmUpTool::firmwareForUsbDrive(const FirmwareRelease &release, const QString &model, const QList<int> &rows,
                                       bool PDFirmUpTool::*continuation)
{
    if (!m_continuing)
        m_downloadedInChain.clear();
    whenPresenceKnown({release}, [=](const QList<bool> &present) {
        if (present.value(0)) {
            if (model.isEmpty())
                qInfo() << "Firmware is already downloaded.";
            else
                qInfo() << "Firmware for model" << model << "is already downloaded.";
            openUsbDriveDialog(release);
            return;
        }
        if (missingAfterDownload(release)) {
            MessageBoxes::information(this, windowTitle(), DownloadStatus::statusText(m_lastDownloadStatus));
            return;
        }
        m_cancelRequested = false;
        this->*continuation = true;
        m_downloadReleases = {release};
        for (int row : rows) {
            m_displayList[row].downloadStatus = DownloadState::Downloading;
            m_displayList[row].downloadPercent = 0;
            emit update_info(row);
        }
        startFirmwareDownload(0);
        update_ui(false);
    });
}

void PDFirmUpTool::downloadFirmwareprogressChanged(int instance, int value, int total, QString message)
{
    if (instance >= 0 && instance < m_downloadReleases.size()) {
        const QList<int> rows = rowsOfRelease(m_downloadReleases.at(instance));
        for (int row : rows) {
            m_displayList[row].downloadPercent = total < 1 ? -1 : int(qint64(value) * 100 / total);
            emit update_info(row);
        }
    }
    if (!m_downloadForUsbDrive && !m_downloadForModelUsbDrive) {
        statusBar()->showMessage(tr("Downloading %1 files", "1=number of downloads").arg(m_activeDownloads));
    } else if (total >= 1) {
        const int percent = int((qint64(value) * 100 + total / 2) / total);
        statusBar()->showMessage(
            tr("Downloading %1% %2", "1=progress percentage 2=message").arg(QString::number(percent), message));
    }
}

void PDFirmUpTool::downloadFirmwareStatusChanged(int instance, int status)
{
    const bool valid = instance >= 0 && instance < m_downloadReleases.size();
    m_lastDownloadStatus = status;
    if (!valid || status != DownloadStatus::Success)
        m_downloadBatchError = true;
    if (valid) {
        const FirmwareRelease &release = m_downloadReleases.at(instance);
        if (status == DownloadStatus::Success)
            m_downloadedInChain.append(release.downloadLoc);
        const QList<int> rows = rowsOfRelease(release);
        for (int row : rows) {
            DISPLAY_LIST_ENTRY &entry = m_displayList[row];
            if (status == DownloadStatus::Success) {
                entry.downloadStatus = DownloadState::Downloaded;
                if (entry.selectedForUpdate)
                    qInfo() << "Downloaded firmware for:" << release.models;
            } else {
                entry.downloadStatus = DownloadState::Error;
                qInfo() << "Error" << DownloadStatus::statusText(status) << "downloading firmware for:"
                        << release.models;
            }
            emit update_info(row);
        }
    }
    if (auto *job = qobject_cast<DownloadExtractFirmware *>(sender())) {
        m_downloads.removeOne(job);
        job->deleteLater();
    }
    if (--m_activeDownloads == 0)
        downloadBatchFinished();
    update_ui(false);
}

void PDFirmUpTool::downloadBatchFinished()
{
    m_cancelDownloadsButton->hide();
    const QString lastStatusText = DownloadStatus::statusText(m_lastDownloadStatus);
    qInfo() << "All downloads complete status:" << lastStatusText;
    const bool error = m_downloadBatchError;
    const bool cancelled = m_cancelRequested;
    m_downloadBatchError = false;
    if (!error)
        statusBar()->showMessage(tr("Download complete"), kBatchEndMessageMs);
    else
        statusBar()->showMessage(cancelled ? tr("Download canceled") : tr("Download error"), kBatchEndMessageMs);

    // Each continuation runs again from its start: it now finds the firmware
    // in the folder (or, for the LAN update, starts the next batch), and
    // never fetches again what this chain of batches has brought in. After a
    // failure the USB drive continuations say why; a cancellation needs no word.
    const bool explainFailure = error && !cancelled;
    const QScopedValueRollback<bool> continuing(m_continuing, true);
    if (m_downloadForUsbDrive) {
        m_downloadForUsbDrive = false;
        if (!error)
            on_create_usb_drive_pushButton_clicked();
        else if (explainFailure)
            MessageBoxes::information(this, windowTitle(), lastStatusText);
    }
    if (m_downloadForModelUsbDrive) {
        m_downloadForModelUsbDrive = false;
        const FirmwareRelease release = m_downloadReleases.value(0);
        if (!error)
            prepareUsbDriveForModel(release);
        else if (explainFailure)
            MessageBoxes::information(this, windowTitle(), lastStatusText);
    }
    if (m_downloadForLanUpdate) {
        m_downloadForLanUpdate = false;
        if (!error)
            on_download_pushButton_clicked();
    }
}

void PDFirmUpTool::cancel_download_clicked()
{
    m_cancelRequested = true;
    // A job may report at once and leave the list.
    const QList<DownloadExtractFirmware *> jobs = m_downloads;
    for (auto it = jobs.crbegin(); it != jobs.crend(); ++it)
        (*it)->cancel();
}

void PDFirmUpTool::on_actionDownload_firmware_for_offline_use_triggered()
{
    if (!firmwareFolderAvailable())
        return;
    DownloadFirmwareForOfflineDialog dialog(m_cacheFolder, m_releaseDb, this);
    dialog.exec();
}

void PDFirmUpTool::on_actionClear_downloaded_firmware_files_triggered()
{
    if (!firmwareFolderAvailable())
        return;
    const FirmwareFiles::ClearResult cleared = FirmwareFiles::clearFirmwareFiles(m_cacheFolder);
    for (const QString &name : cleared.notDeleted)
        qInfo() << "Could not delete firmware file:" << name;
    if (cleared.found == 0)
        statusBar()->showMessage(tr("No Files to clear"));
    else if (cleared.notDeleted.isEmpty())
        statusBar()->showMessage(tr("Files cleared"));
    else
        statusBar()->showMessage(tr("Could not delete %1 of %2 files", "1=files not deleted 2=files to clear")
                                     .arg(cleared.notDeleted.size())
                                     .arg(cleared.found));
}

void PDFirmUpTool::on_actionCreat_file_hash_triggered()
{
    if (!firmwareFolderAvailable())
        return;
    OffThreadWork::run(
        this,
        [folder = m_cacheFolder](const std::atomic_bool &cancel) {
            return QVariant(FirmwareFiles::hashInfoHtml(folder, &cancel));
        },
        [this](const QVariant &html) { ui->info_textBrowser->setHtml(html.toString()); });
}

// The engine's side of firmware downloads: the batches that bring the
// firmware of the checked displays (before a LAN update) or of one release
// (before a USB drive) into the firmware folder, their progress in the rows
// and the status texts, and cancelling them.
#include "app/fleetengine.h"

#include "download/downloadextractfirmware.h"
#include "download/downloadstatus.h"
#include "download/offthreadwork.h"

#include <QScopedValueRollback>

#include <utility>

namespace {

constexpr int kBatchEndMessageMs = 5000;

}

bool FleetEngine::firmwareFolderAvailable()
{
    // Without the folder, file names would resolve against the working folder.
    if (!m_cacheFolder.isEmpty())
        return true;
    emit statusMessage(tr("The firmware folder is not available."));
    return false;
}

void FleetEngine::startFirmwareDownload(int id)
{
    auto *job = new DownloadExtractFirmware(id, m_downloadReleases.at(id), m_cacheFolder, this);
    connect(job, &DownloadExtractFirmware::progressChanged, this, &FleetEngine::downloadProgress);
    connect(job, &DownloadExtractFirmware::statusChanged, this, &FleetEngine::downloadStatus);
    m_downloads.append(job);
    emit downloadsRunning(true);
    ++m_activeDownloads;
    job->start();
}

void FleetEngine::whenPresenceKnown(const QList<FirmwareRelease> &releases,
                                    std::function<void(const QList<bool> &)> then)
{
    // Reading large firmware takes its time: the faces stay responsive and
    // the engine counts as busy meanwhile.
    ++m_activeDownloads;
    emit stateChanged(false);
    OffThreadWork::run(
        this,
        [folder = m_cacheFolder, releases](const std::atomic_bool &cancel) {
            return QVariant::fromValue(DownloadExtractFirmware::presentReleases(folder, releases, cancel));
        },
        [this, then = std::move(then)](const QVariant &present) {
            --m_activeDownloads;
            emit stateChanged(false);
            then(present.value<QList<bool>>());
        });
}

bool FleetEngine::missingAfterDownload(const FirmwareRelease &release)
{
    if (!m_downloadedInChain.contains(release.downloadLoc))
        return false;
    m_lastDownloadStatus = DownloadStatus::NotAsListed;
    const QList<int> rows = rowsOfRelease(release);
    for (int row : rows) {
        m_displayList[row].downloadStatus = DownloadState::Error;
        emit rowChanged(row);
    }
    qInfo() << "Error" << DownloadStatus::statusText(m_lastDownloadStatus) << "downloading firmware for:"
            << release.models;
    emit statusMessage(tr("Download error"), kBatchEndMessageMs);
    return true;
}

void FleetEngine::downloadForLanUpdate()
{
    if (!firmwareFolderAvailable()) {
        emit lanUpdateNotStarted();
        return;
    }
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

void FleetEngine::startDownloadBatch(const QList<int> &rows, const QList<FirmwareRelease> &releases,
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
        emit rowChanged(row);
    }
    --m_activeDownloads;
    if (!m_downloadReleases.isEmpty()) {
        m_downloadForLanUpdate = true;
        m_downloadBatchError = m_downloadBatchError || failed;
    }
    emit stateChanged(false);
    if (m_downloadReleases.isEmpty()) {
        if (!rows.isEmpty() && !failed)
            requestConfirmation();
        else
            emit lanUpdateNotStarted();
    } else if (m_activeDownloads == 0) {
        downloadBatchFinished();
    }
}

void FleetEngine::firmwareForUsbDrive(const FirmwareRelease &release, const QString &model, const QList<int> &rows,
                                      bool forSelectedDisplay)
{
    if (!firmwareFolderAvailable())
        return;
    if (!m_continuing)
        m_downloadedInChain.clear();
    whenPresenceKnown({release}, [=](const QList<bool> &present) {
        if (present.value(0)) {
            if (model.isEmpty())
                qInfo() << "Firmware is already downloaded.";
            else
                qInfo() << "Firmware for model" << model << "is already downloaded.";
            emit usbDriveReady(release);
            return;
        }
        if (missingAfterDownload(release)) {
            emit downloadFailed(DownloadStatus::statusText(m_lastDownloadStatus));
            return;
        }
        m_cancelRequested = false;
        (forSelectedDisplay ? m_downloadForUsbDrive : m_downloadForModelUsbDrive) = true;
        m_usbDriveModel = model;
        m_usbDriveRows = rows;
        m_downloadReleases = {release};
        for (int row : rows) {
            m_displayList[row].downloadStatus = DownloadState::Downloading;
            m_displayList[row].downloadPercent = 0;
            emit rowChanged(row);
        }
        startFirmwareDownload(0);
        emit stateChanged(false);
    });
}

void FleetEngine::downloadProgress(int instance, int value, int total, const QString &message)
{
    if (total >= 1)
        m_downloadShares.insert(instance, qBound(0.0, double(value) / total, 1.0));
    if (instance >= 0 && instance < m_downloadReleases.size()) {
        const QList<int> rows = rowsOfRelease(m_downloadReleases.at(instance));
        for (int row : rows) {
            m_displayList[row].downloadPercent = total < 1 ? -1 : int(qint64(value) * 100 / total);
            emit rowChanged(row);
        }
    }
    if (!m_downloadForUsbDrive && !m_downloadForModelUsbDrive) {
        emit statusMessage(tr("Downloading %1 files", "1=number of downloads").arg(m_activeDownloads));
    } else if (total >= 1) {
        const int percent = int((qint64(value) * 100 + total / 2) / total);
        emit statusMessage(
            tr("Downloading %1% %2", "1=progress percentage 2=message").arg(QString::number(percent), message));
    }
}

void FleetEngine::downloadStatus(int instance, int status)
{
    const bool valid = instance >= 0 && instance < m_downloadReleases.size();
    m_lastDownloadStatus = status;
    if (!valid || status != DownloadStatus::Success)
        m_downloadBatchError = true;
    m_downloadShares.insert(instance, 1.0);
    ++(status == DownloadStatus::Success ? m_batchDownloaded : m_batchFailed);
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
            emit rowChanged(row);
        }
    }
    if (auto *job = qobject_cast<DownloadExtractFirmware *>(sender())) {
        m_downloads.removeOne(job);
        job->deleteLater();
    }
    if (--m_activeDownloads == 0)
        downloadBatchFinished();
    emit stateChanged(false);
}

void FleetEngine::downloadBatchFinished()
{
    emit downloadsRunning(false);
    const QString lastStatusText = DownloadStatus::statusText(m_lastDownloadStatus);
    qInfo() << "All downloads complete status:" << lastStatusText;
    const bool error = m_downloadBatchError;
    const bool cancelled = m_cancelRequested;
    m_downloadBatchError = false;
    const int downloaded = std::exchange(m_batchDownloaded, 0);
    const int failed = std::exchange(m_batchFailed, 0);
    m_downloadShares.clear();
    emit downloadBatchEnded(downloaded, failed, cancelled);
    if (!error)
        emit statusMessage(tr("Download complete"), kBatchEndMessageMs);
    else
        emit statusMessage(cancelled ? tr("Download canceled") : tr("Download error"), kBatchEndMessageMs);

    // Each continuation runs again from its start: it now finds the firmware
    // in the folder (or, for the LAN update, starts the next batch), and
    // never fetches again what this chain of batches has brought in. After a
    // failure the USB drive continuations say why; a cancellation needs no word.
    const bool explainFailure = error && !cancelled;
    const QScopedValueRollback<bool> continuing(m_continuing, true);
    for (bool *usbDrive : {&m_downloadForUsbDrive, &m_downloadForModelUsbDrive}) {
        if (!*usbDrive)
            continue;
        *usbDrive = false;
        if (!error)
            firmwareForUsbDrive(m_downloadReleases.value(0), m_usbDriveModel, m_usbDriveRows,
                                usbDrive == &m_downloadForUsbDrive);
        else if (explainFailure)
            emit downloadFailed(lastStatusText);
    }
    if (m_downloadForLanUpdate) {
        m_downloadForLanUpdate = false;
        if (!error)
            downloadForLanUpdate();
        else
            emit lanUpdateNotStarted();
    }
}

double FleetEngine::downloadFraction() const
{
    if (m_activeDownloads == 0 || m_downloadReleases.isEmpty())
        return -1.0;
    double done = 0.0;
    for (double share : m_downloadShares)
        done += share;
    return qBound(0.0, done / m_downloadReleases.size(), 1.0);
}

void FleetEngine::cancelDownloads()
{
    m_cancelRequested = true;
    // A job may report at once and leave the list.
    const QList<DownloadExtractFirmware *> jobs = m_downloads;
    for (auto it = jobs.crbegin(); it != jobs.crend(); ++it)
        (*it)->cancel();
}

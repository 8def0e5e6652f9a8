#include "download/offlinedownloadbatch.h"

#include "app/appinfo.h"
#include "download/downloadextractfirmware.h"
#include "download/downloadstatus.h"
#include "download/firmwarefiles.h"
#include "history/updatehistory.h"

#include <QTimer>

#include <algorithm>

OfflineDownloadBatch::OfflineDownloadBatch(const QString &folder, const FirmwareReleaseDb &database,
                                           QObject *parent)
    : QObject(parent)
    , m_folder(folder)
{
    FirmwareRelease release;
    for (int i = 0; i < database.count(); ++i) {
        if (database.recordAt(i, release) == 0 && release.updateViaHTTP != 0
            && release.requiresAppBuild <= AppInfo::kApplicationBuildNumber)
            m_offered.append({i, release});
    }
    connect(&m_presence, &OffThreadWork::finished, this, [this](const QVariant &result) {
        const QList<bool> present = result.value<QList<bool>>();
        m_present.clear();
        for (int k = 0; k < m_offered.size(); ++k) {
            if (present.value(k))
                m_present.append(m_offered.at(k).recordIndex);
        }
        emit presentChecked(m_present);
    });
}

void OfflineDownloadBatch::checkPresent()
{
    QList<FirmwareRelease> releases;
    for (const OfferedRelease &offered : qAsConst(m_offered))
        releases.append(offered.release);
    m_presence.start([folder = m_folder, releases](const std::atomic_bool &cancel) {
        return QVariant::fromValue(DownloadExtractFirmware::presentReleases(folder, releases, cancel));
    });
}

int OfflineDownloadBatch::start(const QList<int> &recordIndices)
{
    if (isRunning())
        return 0;
    QList<int> chosen;
    QList<FirmwareRelease> batch;
    for (int index : recordIndices) {
        const auto offered = std::find_if(m_offered.cbegin(), m_offered.cend(),
                                          [index](const OfferedRelease &o) { return o.recordIndex == index; });
        if (offered == m_offered.cend() || m_present.contains(index) || chosen.contains(index))
            continue;
        chosen.append(index);
        batch.append(offered->release);
    }
    if (batch.isEmpty())
        return 0;

    m_received.clear();
    m_error = false;
    m_total = 0;
    m_started = batch.size();
    m_speed = TransferSpeed();
    m_stopwatch.start();
    // Held open until the event loop runs again: a job whose names are
    // refused ends within its start(), and the batch never ends within this call.
    m_starting = true;
    for (const FirmwareRelease &release : qAsConst(batch)) {
        const int id = m_received.size();
        m_received.append(0);
        // A release of unknown size makes the whole batch's total unknown.
        if (m_total >= 0)
            m_total = release.fileSize < 1 ? -1 : m_total + release.fileSize;
        auto *job = new DownloadExtractFirmware(id, release, m_folder, this);
        connect(job, &DownloadExtractFirmware::progressChanged, this,
                [this, id](int, int received, int, const QString &) { jobProgress(id, received); });
        connect(job, &DownloadExtractFirmware::statusChanged, this,
                [this, job, release, started = QDateTime::currentDateTimeUtc()](int, int status) {
                    record(release, started, status);
                    jobFinished(job, status);
                });
        m_jobs.append(job);
        job->start();
    }
    QTimer::singleShot(0, this, [this] {
        m_starting = false;
        finishWhenDone();
    });
    return m_started;
}

void OfflineDownloadBatch::cancel()
{
    // A job may report at once and leave the list.
    const QList<DownloadExtractFirmware *> jobs = m_jobs;
    for (auto it = jobs.crbegin(); it != jobs.crend(); ++it)
        (*it)->cancel();
}

void OfflineDownloadBatch::jobProgress(int id, qint64 received)
{
    m_received[id] = received;
    qint64 sum = 0;
    for (qint64 bytes : qAsConst(m_received))
        sum += bytes;
    const qint64 elapsedMs = m_stopwatch.elapsed();
    QString speedText;
    if (elapsedMs > 0) {
        m_speed = transferSpeed(sum, elapsedMs);
        speedText = downloadSpeedText(sum, elapsedMs);
    }
    emit progressChanged(sum, m_total, m_started - int(m_jobs.size()), m_started, speedText);
}

void OfflineDownloadBatch::jobFinished(DownloadExtractFirmware *job, int status)
{
    m_error = m_error || status != 0;
    m_jobs.removeOne(job);
    job->deleteLater();
    finishWhenDone();
}

void OfflineDownloadBatch::finishWhenDone()
{
    if (!isRunning())
        emit finished(m_error);
}

HistoryRecord OfflineDownloadBatch::historyRecord(HistoryRecord::Kind kind, const FirmwareRelease &release)
{
    HistoryRecord record;
    record.kind = kind;
    record.model = release.models.join(QStringLiteral(", "));
    record.releaseVersion = release.changes.version;
    const QList<UnpackedFileInfo> files =
        FirmwareFiles::expectedFiles(release, FirmwareFiles::packageFileName(release.downloadLoc));
    for (const UnpackedFileInfo &file : files) {
        record.files << file.fileName;
        record.digests << file.fileChecksum;
    }
    return record;
}

void OfflineDownloadBatch::record(const FirmwareRelease &release, const QDateTime &started, int status)
{
    if (!m_history)
        return;
    HistoryRecord record = historyRecord(HistoryRecord::Kind::OfflineDownload, release);
    record.started = started;
    record.ended = QDateTime::currentDateTimeUtc();
    record.outcome = status == DownloadStatus::Success ? tr("Downloaded and verified") : DownloadStatus::statusText(status);
    m_history->add(record);
}

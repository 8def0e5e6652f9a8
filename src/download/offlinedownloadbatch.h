#pragma once

#include "catalogue/firmwarereleasedb.h"
#include "download/offthreadwork.h"
#include "download/speedtext.h"
#include "history/historyrecord.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class DownloadExtractFirmware;
class UpdateHistory;

// A release that an offline download offers, with its index in the database.
struct OfferedRelease
{
    int recordIndex = -1;
    FirmwareRelease release;
};

// Brings chosen releases into the firmware folder for later updates on a
// network without Internet access, for the offline download dialog and the
// command line alike. Offers the releases that this build can apply over the
// LAN; finds, off this thread, which of them the folder already holds; and
// downloads a batch of the others, one DownloadExtractFirmware job each,
// reporting the bytes of the whole batch, the files finished and the speed,
// and ending the batch with one finished signal. One batch at a time.
class OfflineDownloadBatch : public QObject
{
    Q_OBJECT

public:
    OfflineDownloadBatch(const QString &folder, const FirmwareReleaseDb &database, QObject *parent = nullptr);

    // Releases with updateViaHTTP set whose requiresAppBuild this build meets,
    // in database order.
    const QList<OfferedRelease> &offeredReleases() const { return m_offered; }

    // Reads the folder off this thread and reports the offered releases found
    // there with presentChecked; a check still running is dropped.
    void checkPresent();
    bool isChecking() const { return m_presence.isRunning(); }
    // Record indices found by the last check, in database order.
    const QList<int> &presentReleases() const { return m_present; }

    // Starts downloading the offered releases of `recordIndices` that the
    // last check did not find, each once, in the given order; other indices
    // are passed over. Returns how many downloads started: with 0 (or while
    // a batch runs) nothing follows; otherwise progress and then finished,
    // never from within this call.
    int start(const QList<int> &recordIndices);
    bool isRunning() const { return m_starting || !m_jobs.isEmpty(); }
    // Bytes the running batch expects; -1: unknown.
    qint64 totalBytes() const { return m_total; }
    // Cancels every running download, the last started first; the batch ends
    // with an error.
    void cancel();

    // The batch's speed as of its last progress report.
    TransferSpeed speed() const { return m_speed; }

    // Where each download that ends is recorded; nullptr: nowhere.
    void setHistory(UpdateHistory *history) { m_history = history; }
    // A history record of `release` (models, version, the files it brings
    // with their listed digests), for a download or a USB drive.
    static HistoryRecord historyRecord(HistoryRecord::Kind kind, const FirmwareRelease &release);

signals:
    void presentChecked(const QList<int> &recordIndices);
    // Bytes received by the whole batch and expected (-1: unknown, as soon as
    // one release's fileSize is below 1), downloads finished and started, and
    // the speed as text ("12.5 kB/s"), empty until time has been measured.
    void progressChanged(qint64 received, qint64 total, int finished, int started, const QString &speedText);
    // The last download of the batch has ended; `error`: one of them failed
    // or was cancelled.
    void finished(bool error);

private:
    void jobProgress(int id, qint64 received);
    void jobFinished(DownloadExtractFirmware *job, int status);
    void record(const FirmwareRelease &release, const QDateTime &started, int status);
    void finishWhenDone();

    QString m_folder;
    QList<OfferedRelease> m_offered;
    OffThreadWork m_presence;
    QList<int> m_present;
    QList<DownloadExtractFirmware *> m_jobs; // running, by start order
    QList<qint64> m_received;                // by download id
    int m_started = 0;
    bool m_starting = false;
    bool m_error = false;
    qint64 m_total = 0;
    QElapsedTimer m_stopwatch;
    TransferSpeed m_speed;
    UpdateHistory *m_history = nullptr;
};

#pragma once

#include "catalogue/firmwarerelease.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>

class FileDownloader;
class QThread;

// Brings the firmware of one release into the firmware folder in a verified
// state: keeps files that are already there and intact, reuses a complete
// package left in the folder or downloads it, extracts the release's
// unpacked files from a zip package, verifies each by MD5 and deletes the
// package. Reports progress (bytes, speed text) while it downloads and ends
// every run with exactly one statusChanged (DownloadStatus codes: 0 present
// and verified, 10000 checksum, 10001 write, 10002 delete, 10003 download
// failed or cancelled, 10004 extraction). Names from the release database
// never leave the folder: a package or file name that is not a plain file
// name fails the release. The owner creates one object per release and run
// and deletes it (deferred) after the final status.
class DownloadExtractFirmware : public QObject
{
    Q_OBJECT

public:
    DownloadExtractFirmware(int id, const FirmwareRelease &release, const QString &folder,
                            QObject *parent = nullptr);
    ~DownloadExtractFirmware() override;

    // All expected files are in the folder with their sizes and digests
    // (for a release without unpacked files: the package itself).
    bool isAlreadyDownloaded();

public slots:
    // Begins the work; returns 0 or the final status of a run that ended at
    // once (that status is emitted as well).
    int start();
    // Cancels a running download; it ends with 10003.
    void cancel();
    void statusChangedIn(int instance, int status);

signals:
    void progressChanged(int instance, int m_progressValue, int m_progressTotal, QString m_progressMessage);
    void statusChanged(int instance, int status);

private:
    enum class FileStep { Check, Extract };

    // The release's names may become file names (0), or the status that refuses it.
    int refusedNames() const;
    // Runs the check of files and kept package, or the extraction, on a
    // worker thread; the result arrives in workerFinished on this thread.
    void runOffThread(FileStep step);
    void workerFinished(int result);
    // Stops a running worker without reporting its result.
    void stopWorker();
    void startDownload();

    int m_id;
    FirmwareRelease m_release;
    QString m_folder;
    QString m_packageFileName;
    QPointer<FileDownloader> m_downloader;
    bool m_extractAfterDownload = true;
    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_cancelRequested{false};
    int m_workerRun = 0; // tells a stopped worker's late report from the current one's
};

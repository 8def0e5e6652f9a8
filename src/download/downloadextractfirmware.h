#pragma once

#include "catalogue/firmwarerelease.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>

class FileDownloader;
class OffThreadWork;

// Brings the firmware of one release into the firmware folder in a verified
// state: keeps files that are already there and intact, reuses a complete
// package left in the folder or downloads it, extracts the release's
// unpacked files from a zip package and deletes the package. Whether the
// files are there is decided by one rule before and after the work
// (FirmwareFiles::checkFiles), so that a finished run is never followed by
// another download of the same files. Reports progress (bytes, speed text)
// while it downloads and ends every run with exactly one statusChanged
// (DownloadStatus codes). Names from the release database never leave the
// folder: a package or file name that is not a plain file name fails the
// release. The file work runs off the owner's thread. The owner creates one
// object per release and run and deletes it (deferred) after the final
// status.
class DownloadExtractFirmware : public QObject
{
    Q_OBJECT

public:
    DownloadExtractFirmware(int id, const FirmwareRelease &release, const QString &folder,
                            QObject *parent = nullptr);
    ~DownloadExtractFirmware() override;

    // All expected files are in the folder with their sizes and digests
    // (for a release without unpacked files: the package itself). Reads the
    // files: for a worker thread, or for small releases.
    bool isAlreadyDownloaded();
    // The same for several releases at once, in order; stops early (the rest
    // false) when `cancel` turns true.
    static QList<bool> presentReleases(const QString &folder, const QList<FirmwareRelease> &releases,
                                       const std::atomic_bool &cancel);

public slots:
    // Begins the work; returns 0 or the final status of a run that ended at
    // once (that status is emitted as well).
    int start();
    // Cancels a running download or file work; it ends with 10003.
    void cancel();
    void statusChangedIn(int instance, int status);

signals:
    void progressChanged(int instance, int m_progressValue, int m_progressTotal, QString m_progressMessage);
    void statusChanged(int instance, int status);

private:
    // Runs the check of files and kept package (before a download) or the
    // extraction and final check (after it) off this thread; the result
    // arrives in workFinished.
    void runFileWork(bool beforeDownload);
    void workFinished(int result);
    void startDownload();

    int m_id;
    FirmwareRelease m_release;
    QString m_folder;
    QString m_packageFileName;
    QPointer<FileDownloader> m_downloader;
    bool m_extractAfterDownload = true;
    OffThreadWork *m_work;
    QString m_problem; // what the final check found wrong, written by the file work
};

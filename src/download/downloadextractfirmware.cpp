#include "download/downloadextractfirmware.h"

#include "download/downloadstatus.h"
#include "download/filedownloader.h"
#include "download/firmwarefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

using namespace DownloadStatus;

namespace {

// What the check reports when neither the files nor a complete package are there.
constexpr int kNeedsDownload = -1;

// Does the hashing and extraction of one step on its own thread, so that the
// window stays responsive however large the firmware is.
class FirmwareFilesWorker : public QObject
{
    Q_OBJECT

public:
    FirmwareFilesWorker(bool checkFirst, const FirmwareRelease &release, const QString &folder,
                        const QString &packageName, bool extractPackage, const std::atomic_bool *cancel)
        : m_checkFirst(checkFirst), m_release(release), m_folder(folder), m_packageName(packageName),
          m_extractPackage(extractPackage), m_cancel(cancel)
    {
    }

    void run() { emit done(work()); }

signals:
    void done(int result);

private:
    // Check: the files already present (0), or a kept package that is
    // complete (extracted, or itself the firmware), or kNeedsDownload.
    // Extract: the package that has just arrived.
    int work() const
    {
        const QString package = m_folder + QLatin1Char('/') + m_packageName;
        if (m_checkFirst) {
            if (FirmwareFiles::allPresent(m_folder, FirmwareFiles::expectedFiles(m_release, m_packageName), m_cancel))
                return Success;
            if (!QFileInfo(package).isFile()
                || (!m_release.fileChecksum.isEmpty()
                    && FirmwareFiles::md5Hex(package, m_cancel) != m_release.fileChecksum))
                return kNeedsDownload;
            if (!m_extractPackage)
                return Success;
        }
        const int result = FirmwareFiles::extract(package, m_folder, m_release.unpackedFileInfo, m_cancel);
        // Only the unpacked files stay; a retry downloads the package again.
        QFile::remove(package);
        return result;
    }

    const bool m_checkFirst;
    const FirmwareRelease m_release;
    const QString m_folder;
    const QString m_packageName;
    const bool m_extractPackage;
    const std::atomic_bool *const m_cancel;
};

}

DownloadExtractFirmware::DownloadExtractFirmware(int id, const FirmwareRelease &release, const QString &folder,
                                                 QObject *parent)
    : QObject(parent),
      m_id(id),
      m_release(release),
      m_folder(folder),
      m_packageFileName(FirmwareFiles::packageFileName(release.downloadLoc))
{
}

DownloadExtractFirmware::~DownloadExtractFirmware()
{
    stopWorker();
    delete m_downloader; // deletes its partial file
}

int DownloadExtractFirmware::refusedNames() const
{
    if (!FirmwareFiles::isPlainFileName(m_packageFileName))
        return WriteFailed;
    for (const UnpackedFileInfo &file : m_release.unpackedFileInfo) {
        if (!FirmwareFiles::isPlainFileName(file.fileName))
            return ExtractFailed;
    }
    return Success;
}

bool DownloadExtractFirmware::isAlreadyDownloaded()
{
    // Without unpacked files the package itself is the firmware and stays as downloaded.
    if (m_release.unpackedFileInfo.isEmpty())
        m_extractAfterDownload = false;
    return refusedNames() == Success
        && FirmwareFiles::allPresent(m_folder, FirmwareFiles::expectedFiles(m_release, m_packageFileName));
}

int DownloadExtractFirmware::start()
{
    stopWorker();
    delete m_downloader;
    if (m_release.unpackedFileInfo.isEmpty())
        m_extractAfterDownload = false;
    // A name that is not a bare file name is never used to build a path.
    const int refused = refusedNames();
    if (refused != Success) {
        emit statusChanged(m_id, refused);
        return refused;
    }
    runOffThread(FileStep::Check);
    return Success;
}

void DownloadExtractFirmware::cancel()
{
    if (m_thread)
        m_cancelRequested = true; // the worker stops early; workerFinished reports
    else if (m_downloader)
        m_downloader->cancel();
}

void DownloadExtractFirmware::statusChangedIn(int instance, int status)
{
    Q_UNUSED(instance)
    if (m_downloader)
        m_downloader->deleteLater();
    if (status == Success && m_extractAfterDownload) {
        runOffThread(FileStep::Extract);
        return;
    }
    // A package with the wrong digest is not kept.
    if (status == ChecksumFailed)
        QFile::remove(m_folder + QLatin1Char('/') + m_packageFileName);
    emit statusChanged(m_id, status);
}

void DownloadExtractFirmware::runOffThread(FileStep step)
{
    m_cancelRequested = false;
    m_thread = std::make_unique<QThread>();
    auto *worker = new FirmwareFilesWorker(step == FileStep::Check, m_release, m_folder, m_packageFileName,
                                           m_extractAfterDownload, &m_cancelRequested);
    worker->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::started, worker, &FirmwareFilesWorker::run);
    connect(m_thread.get(), &QThread::finished, worker, &QObject::deleteLater);
    // Queued: the result is handled on this object's thread.
    connect(worker, &FirmwareFilesWorker::done, this, [this, run = ++m_workerRun](int result) {
        if (run == m_workerRun)
            workerFinished(result);
    });
    m_thread->start();
}

void DownloadExtractFirmware::workerFinished(int result)
{
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
    if (m_cancelRequested)
        result = TransferFailed;
    else if (result == kNeedsDownload) {
        startDownload();
        return;
    }
    emit statusChanged(m_id, result);
}

void DownloadExtractFirmware::stopWorker()
{
    if (!m_thread)
        return;
    ++m_workerRun;
    m_cancelRequested = true;
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
}

void DownloadExtractFirmware::startDownload()
{
    // fromHex reads capitals too; only the check of files already present is case-sensitive.
    const QByteArray digest = QByteArray::fromHex(m_release.fileChecksum.toLatin1());
    m_downloader = new FileDownloader(m_id, false, QUrl(m_release.downloadLoc),
                                      m_folder + QLatin1Char('/') + m_packageFileName, digest, this);
    connect(m_downloader, &FileDownloader::progressChanged, this, &DownloadExtractFirmware::progressChanged);
    connect(m_downloader, &FileDownloader::statusChanged, this, &DownloadExtractFirmware::statusChangedIn);
    m_downloader->start();
}

#include "downloadextractfirmware.moc"

#include "download/downloadextractfirmware.h"

#include "download/downloadstatus.h"
#include "download/filedownloader.h"
#include "download/firmwarefiles.h"
#include "download/offthreadwork.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>

using namespace DownloadStatus;

namespace {

// What the check before a download reports when neither the files nor a
// complete package are there.
constexpr int kNeedsDownload = -1;

// Before a download: the files already present (0), or a kept package that
// is complete (extracted, or itself the firmware, and then judged by the
// same rule), or kNeedsDownload. After it: the package that has just
// arrived, extracted and judged.
int fileWork(bool beforeDownload, const FirmwareRelease &release, const QString &folder, const QString &packageName,
             bool extractPackage, const std::atomic_bool &cancel, QString *problem)
{
    const QList<UnpackedFileInfo> expected = FirmwareFiles::expectedFiles(release, packageName);
    const QString package = folder + QLatin1Char('/') + packageName;
    if (beforeDownload) {
        if (FirmwareFiles::checkFiles(folder, expected, &cancel) == Success)
            return Success;
        if (!QFileInfo(package).isFile()
            || (!release.fileChecksum.isEmpty()
                && !FirmwareFiles::sameDigest(FirmwareFiles::md5Hex(package, &cancel), release.fileChecksum)))
            return kNeedsDownload;
    }
    if (extractPackage) {
        const int result = FirmwareFiles::extract(package, folder, release.unpackedFileInfo,
                                                  FirmwareFiles::extractionLimit(QStorageInfo(folder).bytesAvailable()),
                                                  &cancel);
        // Only the unpacked files stay; a retry downloads the package again.
        QFile::remove(package);
        if (result != Success)
            return result;
    }
    return FirmwareFiles::checkFiles(folder, expected, &cancel, problem);
}

// The release's names may become file names (0), or the status that refuses it.
int refusedNames(const FirmwareRelease &release, const QString &packageName)
{
    if (!FirmwareFiles::isPlainFileName(packageName))
        return WriteFailed;
    for (const UnpackedFileInfo &file : release.unpackedFileInfo) {
        if (!FirmwareFiles::isPlainFileName(file.fileName))
            return ExtractFailed;
    }
    return Success;
}

}

DownloadExtractFirmware::DownloadExtractFirmware(int id, const FirmwareRelease &release, const QString &folder,
                                                 QObject *parent)
    : QObject(parent),
      m_id(id),
      m_release(release),
      m_folder(folder),
      m_packageFileName(FirmwareFiles::packageFileName(release.downloadLoc)),
      m_work(new OffThreadWork(this))
{
    // Without unpacked files the package itself is the firmware and stays as downloaded.
    if (m_release.unpackedFileInfo.isEmpty())
        m_extractAfterDownload = false;
    connect(m_work, &OffThreadWork::finished, this, [this](const QVariant &result) { workFinished(result.toInt()); });
}

DownloadExtractFirmware::~DownloadExtractFirmware()
{
    m_work->stop();
    delete m_downloader; // deletes its partial file
}

bool DownloadExtractFirmware::isAlreadyDownloaded()
{
    const std::atomic_bool never{false};
    return presentReleases(m_folder, {m_release}, never).value(0);
}

QList<bool> DownloadExtractFirmware::presentReleases(const QString &folder, const QList<FirmwareRelease> &releases,
                                                     const std::atomic_bool &cancel)
{
    QList<bool> present;
    for (const FirmwareRelease &release : releases) {
        const QString packageName = FirmwareFiles::packageFileName(release.downloadLoc);
        present.append(!cancel && refusedNames(release, packageName) == Success
                       && FirmwareFiles::checkFiles(folder, FirmwareFiles::expectedFiles(release, packageName), &cancel)
                           == Success);
    }
    return present;
}

int DownloadExtractFirmware::start()
{
    m_work->stop();
    delete m_downloader;
    // A name that is not a bare file name is never used to build a path.
    const int refused = refusedNames(m_release, m_packageFileName);
    if (refused != Success) {
        emit statusChanged(m_id, refused);
        return refused;
    }
    runFileWork(true);
    return Success;
}

void DownloadExtractFirmware::cancel()
{
    if (m_work->isRunning())
        m_work->cancel(); // the work stops early; workFinished reports
    else if (m_downloader)
        m_downloader->cancel();
}

void DownloadExtractFirmware::statusChangedIn(int instance, int status)
{
    Q_UNUSED(instance)
    if (m_downloader)
        m_downloader->deleteLater();
    if (status == Success) {
        runFileWork(false);
        return;
    }
    // A package with the wrong digest is not kept.
    if (status == ChecksumFailed)
        QFile::remove(m_folder + QLatin1Char('/') + m_packageFileName);
    emit statusChanged(m_id, status);
}

void DownloadExtractFirmware::runFileWork(bool beforeDownload)
{
    m_problem.clear();
    // Copies only: the work must not touch this object's members but m_problem,
    // which nothing reads before the work has finished.
    m_work->start([beforeDownload, release = m_release, folder = m_folder, package = m_packageFileName,
                   extract = m_extractAfterDownload, problem = &m_problem](const std::atomic_bool &cancel) {
        return QVariant(fileWork(beforeDownload, release, folder, package, extract, cancel, problem));
    });
}

void DownloadExtractFirmware::workFinished(int result)
{
    if (m_work->isCancelled())
        result = TransferFailed;
    else if (result == kNeedsDownload) {
        startDownload();
        return;
    }
    if (!m_problem.isEmpty())
        qInfo() << "Firmware files do not match the database for models:" << m_release.models << m_problem;
    emit statusChanged(m_id, result);
}

void DownloadExtractFirmware::startDownload()
{
    // fromHex reads capitals too, as the check of files present does.
    const QByteArray digest = QByteArray::fromHex(m_release.fileChecksum.toLatin1());
    m_downloader = new FileDownloader(m_id, false, QUrl(m_release.downloadLoc),
                                      m_folder + QLatin1Char('/') + m_packageFileName, digest, this);
    connect(m_downloader, &FileDownloader::progressChanged, this, &DownloadExtractFirmware::progressChanged);
    connect(m_downloader, &FileDownloader::statusChanged, this, &DownloadExtractFirmware::statusChangedIn);
    m_downloader->start();
}

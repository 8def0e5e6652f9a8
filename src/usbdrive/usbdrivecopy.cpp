#include "usbdrive/usbdrivecopy.h"

#include "download/firmwarefiles.h"
#include "usbdrive/removabledrives.h"
#include "usbdrive/usbdrivetexts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <future>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

namespace {

constexpr qint64 kCopyBlockSize = 131072;
constexpr qint64 kVerifyBlockSize = 1 << 20;
// Written data is sent to the device in pieces of this size while copying,
// so that the final flush waits for little and never stalls the window.
constexpr qint64 kWritebackChunk = 2 << 20;
constexpr int kEventSliceMs = 100;

const QStringList kRootFirmwarePatterns{QStringLiteral("*.jbc"), QStringLiteral("*.pac"), QStringLiteral("*.bin"),
                                        QStringLiteral("*.hex")};

// The name a file has on the drive until it is copied and verified: a short
// 8.3 name (FAT stores it without a long-name entry) that no firmware
// pattern matches and no release may use.
const QString kPartialName = QStringLiteral("~VDFUCPY.TMP");

void letWindowsPaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kEventSliceMs);
}

// Runs a call that waits for the device (a flush takes a third of a second
// even on a fast disk) on a thread of its own, and keeps painting meanwhile.
// The file it works on is not touched here until it returns.
template<typename Call>
auto waitForDevice(Call call)
{
    auto result = std::async(std::launch::async, call);
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        letWindowsPaint();
    return result.get();
}

bool insideRoot(const QString &rootPath, const QString &path)
{
    const QString root = QFileInfo(rootPath).canonicalFilePath();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !root.isEmpty() && (canonical == root || canonical.startsWith(root + QLatin1Char('/')));
}

// Makes (or finds) `folder` below the root one part at a time, refusing any
// part that is not a real folder inside the root (a link that leads out).
bool makeFolderInside(const QString &rootPath, const QString &folder, QString *path)
{
    QString current = rootPath;
    const QStringList parts = QString(folder).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    for (const QString &part : parts) {
        current += QLatin1Char('/') + part;
        const QFileInfo info(current);
        if (!info.exists() && !info.isSymLink() && !QDir().mkdir(current))
            return false;
        if (!QFileInfo(current).isDir() || !insideRoot(rootPath, current))
            return false;
    }
    *path = current;
    return true;
}

// Starts writing what came since the last call to the device and waits for
// the piece before it, so that little is left for the final flush.
void paceWriteback(QFile &file, qint64 written, qint64 *sent)
{
#ifdef Q_OS_LINUX
    if (written - *sent < kWritebackChunk)
        return;
    const int fd = file.handle();
    const qint64 previous = *sent - kWritebackChunk;
    if (previous >= 0)
        waitForDevice([=] {
            return sync_file_range(fd, previous, kWritebackChunk,
                                   SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        });
    sync_file_range(fd, *sent, written - *sent, SYNC_FILE_RANGE_WRITE);
    *sent = written;
#else
    Q_UNUSED(file)
    Q_UNUSED(written)
    Q_UNUSED(sent)
#endif
}

// The file's data is on the device, not only in the system's cache; what
// is read back afterwards comes from the device.
bool flushToDevice(QFile &file)
{
    if (!file.flush())
        return false;
    const int fd = file.handle();
#ifdef Q_OS_WIN
    return waitForDevice([=] { return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd))); });
#else
    return waitForDevice([=] {
        if (::fsync(fd) != 0)
            return false;
#ifdef Q_OS_LINUX
        // Dropping a large file's cached pages takes a while too.
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
#endif
        return true;
    });
#endif
}

// The entries of a folder (the renames) reach the device too, not only the
// files' data. A file system that cannot flush a folder is taken as is.
bool flushFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = waitForDevice([=] { return ::fsync(fd) == 0 || errno == EINVAL; });
    ::close(fd);
    return flushed;
#else
    Q_UNUSED(folder)
    return true;
#endif
}

bool isTargetName(const QString &name)
{
    return FirmwareFiles::isPlainFileName(name) && name.compare(kPartialName, Qt::CaseInsensitive) != 0;
}

// A file written under the partial name: removed when it goes out of scope
// unless it was given its real name, so that no way out of the copy leaves
// a piece of firmware on the drive under a firmware name.
class PartialFile
{
    Q_DISABLE_COPY(PartialFile)

public:
    // A link or leftover under the partial name goes first; the file is
    // then made new, never written through a link.
    explicit PartialFile(const QString &folder)
        : m_path(folder + QLatin1Char('/') + kPartialName)
    {
        QFile::remove(m_path);
    }
    ~PartialFile()
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }
    const QString &path() const { return m_path; }

    // A file under the real name goes first: some file systems refuse to
    // rename onto one, and FAT matches names without regard to case.
    int rename(const QString &target)
    {
        const QFileInfo existing(target);
        if ((existing.exists() || existing.isSymLink()) && !QFile::remove(target))
            return UsbDriveCopy::DeleteFailed;
        if (!QFile::rename(m_path, target))
            return UsbDriveCopy::CopyFailed;
        m_path.clear();
        return UsbDriveCopy::Success;
    }

private:
    QString m_path;
};

}

UsbDriveCopy::UsbDriveCopy(const FirmwareRelease &release, const QString &sourceFolder, DriveSource &drives,
                           QObject *parent)
    : QObject(parent)
    , m_release(release)
    , m_sourceFolder(sourceFolder)
    , m_drives(drives)
{
}

QStringList UsbDriveCopy::existingFirmwareFiles(const QString &rootPath)
{
    // Without QDir::CaseSensitive the patterns match "FW.BIN" as well.
    return QDir(rootPath).entryList(kRootFirmwarePatterns, QDir::Files | QDir::Hidden, QDir::Name);
}

bool UsbDriveCopy::isSafeFolderName(const QString &folder)
{
    const QStringList parts = QString(folder).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (!FirmwareFiles::isPlainFileName(part))
            return false;
    }
    return true;
}

QString UsbDriveCopy::resultText(int result)
{
    switch (result) {
    case InvalidDrive:
        return tr("Error: Invalid drive selected.");
    case VerifyFailed:
        return tr("Error: Copied file(s) failed verification.");
    case SourceMissing:
        return tr("Error: Source file(s) missing.");
    case DeleteFailed:
        return tr("Error: Unable to delete existing files.");
    case NotEnoughSpace:
        return tr("Error: Not enough free space on USB drive.");
    default:
        return tr("Error: Unable to copy file(s).");
    }
}

void UsbDriveCopy::report(int value, const QString &message)
{
    if (value == m_lastValue && message == m_lastMessage)
        return;
    m_lastValue = value;
    m_lastMessage = message;
    emit progressChanged(0, value, m_total, message);
}

int UsbDriveCopy::run(const QString &rootPath)
{
    const QList<UnpackedFileInfo> files = UsbDriveTexts::fileList(m_release);
    if (rootPath.isEmpty() || !m_drives.volumeState(rootPath).valid)
        return InvalidDrive;
    m_total = int(files.size()) * 200;
    m_lastValue = -1;
    report(0, QString());

    // Names from the database become paths on the drive: refuse them all
    // before anything on the drive changes.
    const QString &folderName = m_release.baseUSBFolderName;
    const QString &destinationName = m_release.destinationUSBFileName;
    if ((!folderName.isEmpty() && !isSafeFolderName(folderName))
        || (!destinationName.isEmpty() && !isTargetName(destinationName)))
        return CopyFailed;
    for (const UnpackedFileInfo &file : files) {
        if (!isTargetName(file.fileName))
            return CopyFailed;
    }

    const QDir root(rootPath);
    const QStringList oldFiles = existingFirmwareFiles(rootPath);
    for (const QString &name : oldFiles)
        QFile::remove(root.filePath(name));

    QString targetFolder = rootPath;
    if (!folderName.isEmpty()) {
        if (!makeFolderInside(rootPath, folderName, &targetFolder))
            return CopyFailed;
        QDir folder(targetFolder);
        const QStringList stale = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : stale)
            QFile::remove(folder.filePath(name));
    }

    QStringList sources;
    QStringList targets;
    qint64 totalBytes = 0;
    for (const UnpackedFileInfo &file : files) {
        const QFileInfo source(m_sourceFolder + QLatin1Char('/') + file.fileName);
        if (!source.isFile())
            return SourceMissing;
        totalBytes += source.size();
        const QString target =
            targetFolder + QLatin1Char('/') + (destinationName.isEmpty() ? file.fileName : destinationName);
        const QFileInfo existing(target);
        if ((existing.exists() || existing.isSymLink()) && !QFile::remove(target))
            return DeleteFailed;
        sources << source.filePath();
        targets << target;
    }

    if (m_drives.volumeState(rootPath).availableBytes < totalBytes)
        return NotEnoughSpace;

    for (int i = 0; i < files.size(); ++i) {
        const int result = place(files.at(i), sources.at(i), targets.at(i), i * 200);
        if (result != Success)
            return result;
    }
    if (!flushFolder(targetFolder))
        return CopyFailed;
    report(m_total, tr("Copied firmware file(s) to USB drive."));
    return Success;
}

int UsbDriveCopy::place(const UnpackedFileInfo &file, const QString &source, const QString &target, int progressBase)
{
    PartialFile partial(QFileInfo(target).path());
    report(progressBase, tr("Copying '%1'", "1=file name").arg(file.fileName));
    if (copyFile(source, partial.path(), progressBase) != Success)
        return CopyFailed;
    report(progressBase + 100, tr("Verifying '%1'").arg(file.fileName));
    if (!file.fileChecksum.isEmpty() && !verifyFile(partial.path(), file.fileChecksum, progressBase + 100))
        return VerifyFailed;
    return partial.rename(target);
}

int UsbDriveCopy::copyFile(const QString &sourcePath, const QString &targetPath, int progressBase)
{
    QFile source(sourcePath);
    QFile target(targetPath);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return CopyFailed;
    const qint64 size = source.size();
    QByteArray block(int(kCopyBlockSize), Qt::Uninitialized);
    qint64 copied = 0;
    qint64 sent = 0;
    for (;;) {
        const qint64 count = source.read(block.data(), kCopyBlockSize);
        if (count < 0)
            return CopyFailed;
        if (count == 0)
            break;
        if (target.write(block.constData(), count) != count)
            return CopyFailed;
        copied += count;
        paceWriteback(target, copied, &sent);
        report(progressBase + int(size > 0 ? qMin(copied, size) * 100 / size : 100), m_lastMessage);
        letWindowsPaint();
    }
    if (copied != size || !flushToDevice(target))
        return CopyFailed;
    return Success;
}

bool UsbDriveCopy::verifyFile(const QString &targetPath, const QString &checksum, int progressBase)
{
    QFile target(targetPath);
    if (!target.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = target.size();
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray block(int(kVerifyBlockSize), Qt::Uninitialized);
    qint64 hashed = 0;
    qint64 count = 0;
    while ((count = target.read(block.data(), kVerifyBlockSize)) > 0) {
        md5.addData(QByteArray::fromRawData(block.constData(), int(count)));
        hashed += count;
        report(progressBase + int(size > 0 ? qMin(hashed, size) * 100 / size : 100), m_lastMessage);
        letWindowsPaint();
    }
    // Compared as written: a digest in capitals never matches.
    return count == 0 && QString::fromLatin1(md5.result().toHex()) == checksum;
}

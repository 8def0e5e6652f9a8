#include "download/firmwarefiles.h"

#include "download/downloadstatus.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QTemporaryFile>

#include <quazip.h>
#include <quazipfile.h>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace DownloadStatus;

namespace FirmwareFiles {

namespace {

// Large enough to keep the per-call overhead negligible, small enough to keep
// memory flat whatever the size of the firmware.
constexpr int kBlockSize = 1 << 20;

bool cancelled(const std::atomic_bool *cancel) { return cancel && cancel->load(); }

// Digests of files already read, while their size and modification time
// stay the same: every row of a model asks for the same files, and a file
// just extracted was hashed as it was written.
class DigestCache
{
public:
    QString find(const QFileInfo &file)
    {
        const QMutexLocker lock(&m_mutex);
        const Entry entry = m_entries.value(file.absoluteFilePath());
        return entry.size == file.size() && entry.modified == file.lastModified() ? entry.digest : QString();
    }
    void remember(const QString &path, const QString &digest)
    {
        const QFileInfo file(path);
        const QMutexLocker lock(&m_mutex);
        m_entries.insert(file.absoluteFilePath(), {file.size(), file.lastModified(), digest});
    }

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        QString digest;
    };
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};

DigestCache &digestCache()
{
    static DigestCache cache;
    return cache;
}

// Replaces `target` in one step, so that readers see either the old file or
// the complete new one.
bool renameOver(const QString &from, const QString &target)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                       reinterpret_cast<const wchar_t *>(target.utf16()), MOVEFILE_REPLACE_EXISTING);
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(target).constData()) == 0;
#endif
}

// Copies the entry `file` of `zip` to `target` through a temporary file in
// `folder`, with its digest in `digest`.
int extractEntry(QuaZip &zip, const UnpackedFileInfo &file, const QString &folder, const QString &target,
                 const std::atomic_bool *cancel, QString *digest)
{
    if (!zip.setCurrentFile(file.fileName, QuaZip::csSensitive))
        return ExtractFailed;
    QuaZipFile entry(&zip);
    QTemporaryFile part(folder + QLatin1String("/.") + file.fileName + QLatin1String(".XXXXXX"));
    if (!entry.open(QIODevice::ReadOnly) || !part.open())
        return ExtractFailed;
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qint64 written = 0;
    for (;;) {
        if (cancelled(cancel))
            return TransferFailed;
        const qint64 count = entry.read(block.data(), block.size());
        if (count < 0)
            return ExtractFailed;
        if (count == 0)
            break;
        written += count;
        // A size given by the release bounds what an entry may take on disk.
        if (file.fileSize >= 1 && written > file.fileSize)
            return ChecksumFailed;
        if (part.write(block.constData(), count) != count)
            return ExtractFailed;
        md5.addData(QByteArray::fromRawData(block.constData(), int(count)));
    }
    entry.close(); // reports a CRC mismatch of the entry
    if (entry.getZipError() != UNZ_OK || !part.flush())
        return ExtractFailed;
    part.close();
    if (!renameOver(part.fileName(), target))
        return ExtractFailed;
    part.setAutoRemove(false);
    *digest = QString::fromLatin1(md5.result().toHex());
    digestCache().remember(target, *digest);
    return Success;
}

}

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString packageFileName(const QString &downloadLoc)
{
    return downloadLoc.mid(downloadLoc.lastIndexOf(QLatin1Char('/')) + 1);
}

QList<UnpackedFileInfo> expectedFiles(const FirmwareRelease &release, const QString &packageName)
{
    if (!release.unpackedFileInfo.isEmpty())
        return release.unpackedFileInfo;
    UnpackedFileInfo package;
    package.fileName = packageName;
    package.fileSize = release.fileSize;
    package.fileChecksum = release.fileChecksum;
    return {package};
}

QString md5Hex(const QString &path, const std::atomic_bool *cancel)
{
    const QString known = digestCache().find(QFileInfo(path));
    if (!known.isEmpty())
        return known;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qint64 count = 0;
    while ((count = file.read(block.data(), block.size())) > 0) {
        if (cancelled(cancel))
            return {};
        md5.addData(QByteArray::fromRawData(block.constData(), int(count)));
    }
    if (count < 0)
        return {};
    const QString digest = QString::fromLatin1(md5.result().toHex());
    digestCache().remember(path, digest);
    return digest;
}

bool allPresent(const QString &folder, const QList<UnpackedFileInfo> &files, const std::atomic_bool *cancel)
{
    for (const UnpackedFileInfo &file : files) {
        if (!isPlainFileName(file.fileName))
            return false;
        const QString path = folder + QLatin1Char('/') + file.fileName;
        const QFileInfo info(path);
        if (!info.isFile() || (file.fileSize >= 1 && info.size() != file.fileSize))
            return false;
        // Compared as written: a digest in capitals never matches.
        if (!file.fileChecksum.isEmpty() && md5Hex(path, cancel) != file.fileChecksum)
            return false;
    }
    return true;
}

int extract(const QString &archive, const QString &folder, const QList<UnpackedFileInfo> &files,
            const std::atomic_bool *cancel)
{
    if (files.isEmpty())
        return Success;
    QuaZip zip(archive);
    // No archive, an unreadable one or an empty one yields none of the files.
    if (!zip.open(QuaZip::mdUnzip) || zip.getFileNameList().isEmpty())
        return ExtractFailed;
    for (const UnpackedFileInfo &file : files) {
        if (!isPlainFileName(file.fileName))
            return ExtractFailed;
        const QString target = folder + QLatin1Char('/') + file.fileName;
        const QFileInfo old(target);
        // An old file that stays is reported once the new one is in place.
        const int pending = (old.exists() || old.isSymLink()) && !QFile::remove(target) ? DeleteFailed : Success;
        QString digest;
        const int extracted = extractEntry(zip, file, folder, target, cancel, &digest);
        if (extracted != Success)
            return extracted;
        // An empty expected digest never matches.
        const int result = digest == file.fileChecksum ? pending : ChecksumFailed;
        if (result != Success)
            return result;
    }
    return Success;
}

int clearFirmwareFiles(const QString &folder)
{
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.jbc"), QStringLiteral("*.pac"), QStringLiteral("*.bin"),
                                             QStringLiteral("*.hex"), QStringLiteral("*.zip")},
                                            QDir::Files);
    for (const QString &name : files)
        QFile::remove(dir.filePath(name));
    return files.size();
}

QString hashInfoHtml(const QString &folder)
{
    const QDir dir(folder);
    QString text;
    for (const char *pattern : {"*.zip", "*.pac", "*.hex", "*.jbc", "*.bin"}) {
        const QFileInfoList files = dir.entryInfoList({QLatin1String(pattern)}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &file : files) {
            text += QStringLiteral("file: <b>%1</b> fileChecksum=<b>%2</b> size=<b>%3</b><br>")
                        .arg(file.fileName().toHtmlEscaped(), md5Hex(file.filePath()))
                        .arg(file.size());
        }
    }
    return text;
}

}

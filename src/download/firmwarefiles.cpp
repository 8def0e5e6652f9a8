#include "download/firmwarefiles.h"

#include "download/downloadstatus.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

constexpr int kBlockSize = 1 << 20;
constexpr qint64 kMinimumFreeMargin = qint64(64) << 20;
constexpr char kTemporaryPrefix[] = ".vdfu-";

bool cancelled(const std::atomic_bool *cancel) { return cancel && cancel->load(); }

QStringList firmwarePatterns()
{
    return {QStringLiteral("*.jbc"), QStringLiteral("*.pac"), QStringLiteral("*.bin"), QStringLiteral("*.hex"),
            QStringLiteral("*.zip")};
}

// A download writes its file as the data arrive and an extraction as it
// reads: a temporary file untouched for this long belongs to no running job
// of any program using the folder, and is left over from an abrupt end.
constexpr qint64 kStaleTemporarySecs = 3600;

QStringList staleTemporaryFileNames(const QDir &dir)
{
    const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-kStaleTemporarySecs);
    QStringList names;
    const QFileInfoList files = dir.entryInfoList({QLatin1String(kTemporaryPrefix) + QLatin1String("??????")},
                                                  QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        if (file.lastModified().toUTC() < stale)
            names.append(file.fileName());
    }
    return names;
}

// Deletes `names` in `dir`; returns those that stay.
QStringList removeFiles(const QDir &dir, const QStringList &names)
{
    QStringList stayed;
    for (const QString &name : names) {
        if (!QFile::remove(dir.filePath(name)))
            stayed.append(name);
    }
    return stayed;
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
// `folder`, counting what it writes against `budget`.
int extractEntry(QuaZip &zip, const UnpackedFileInfo &file, const QString &folder, const QString &target,
                 qint64 *budget, const std::atomic_bool *cancel)
{
    if (!zip.setCurrentFile(file.fileName, QuaZip::csSensitive))
        return ExtractFailed;
    QuaZipFile entry(&zip);
    const std::unique_ptr<QTemporaryFile> part = temporaryFile(folder);
    if (!part || !entry.open(QIODevice::ReadOnly))
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
        *budget -= count;
        // A size given by the release bounds what its entry may take on disk,
        // the free space what all of them may take.
        if (file.fileSize >= 1 && written > file.fileSize)
            return NotAsListed;
        if (*budget < 0)
            return ExtractFailed;
        if (part->write(block.constData(), count) != count)
            return ExtractFailed;
        md5.addData(QByteArray::fromRawData(block.constData(), int(count)));
    }
    entry.close(); // reports a CRC mismatch of the entry
    if (entry.getZipError() != UNZ_OK)
        return ExtractFailed;
    return commitTemporaryFile(*part, target, QString::fromLatin1(md5.result().toHex())) ? Success : ExtractFailed;
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

bool sameDigest(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int checkFiles(const QString &folder, const QList<UnpackedFileInfo> &files, const std::atomic_bool *cancel,
               QString *problem)
{
    QString found;
    int result = Success;
    for (const UnpackedFileInfo &file : files) {
        const QString path = folder + QLatin1Char('/') + file.fileName;
        const QFileInfo info(path);
        if (!isPlainFileName(file.fileName) || !info.isFile()) {
            found = QStringLiteral("missing");
            result = NotAsListed;
        } else if (file.fileSize >= 1 && info.size() != file.fileSize) {
            found = QStringLiteral("%1 bytes, listed with %2").arg(info.size()).arg(file.fileSize);
            result = NotAsListed;
        } else if (!file.fileChecksum.isEmpty()) {
            const QString digest = md5Hex(path, cancel);
            found = QStringLiteral("MD5 %1, listed with %2").arg(digest.isEmpty() ? QStringLiteral("unreadable") : digest,
                                                                   file.fileChecksum);
            result = sameDigest(digest, file.fileChecksum) ? Success : ChecksumFailed;
        }
        if (result != Success) {
            if (problem)
                *problem = file.fileName + QLatin1String(": ") + found;
            return result;
        }
    }
    return Success;
}

qint64 extractionLimit(qint64 freeBytes)
{
    return qMax<qint64>(0, freeBytes - qMax(freeBytes / 20, kMinimumFreeMargin));
}

int extract(const QString &archive, const QString &folder, const QList<UnpackedFileInfo> &files, qint64 limit,
            const std::atomic_bool *cancel)
{
    if (files.isEmpty())
        return Success;
    QuaZip zip(archive);
    // No archive, an unreadable one or an empty one yields none of the files.
    if (!zip.open(QuaZip::mdUnzip) || zip.getFileNameList().isEmpty())
        return ExtractFailed;
    qint64 budget = limit;
    QStringList written;
    for (const UnpackedFileInfo &file : files) {
        if (!isPlainFileName(file.fileName))
            return ExtractFailed;
        const QString target = folder + QLatin1Char('/') + file.fileName;
        const QFileInfo old(target);
        // An old file that stays is reported once the new one is in place.
        const int pending = (old.exists() || old.isSymLink()) && !QFile::remove(target) ? DeleteFailed : Success;
        const int extracted = extractEntry(zip, file, folder, target, &budget, cancel);
        if (extracted == Success)
            written.append(file.fileName);
        if (budget < 0)
            removeFiles(QDir(folder), written); // an archive that would fill the disk leaves nothing
        const int result = extracted != Success ? extracted : pending;
        if (result != Success)
            return result;
    }
    return Success;
}

std::unique_ptr<QTemporaryFile> temporaryFile(const QString &folder)
{
    auto file = std::make_unique<QTemporaryFile>(folder + QLatin1Char('/') + QLatin1String(kTemporaryPrefix)
                                                 + QLatin1String("XXXXXX"));
    return file->open() ? std::move(file) : nullptr;
}

bool commitTemporaryFile(QTemporaryFile &part, const QString &target, const QString &digest)
{
    if (!part.flush())
        return false;
    const FileIdentity written = fileIdentity(part);
    part.close();
    if (!renameOver(part.fileName(), target))
        return false;
    part.setAutoRemove(false);
    const FileIdentity placed = fileIdentity(target);
    if (placed.sameContent(written))
        rememberDigest(target, placed, digest);
    return true;
}

QStringList removeTemporaryFiles(const QString &folder)
{
    if (folder.isEmpty())
        return {}; // not the working folder
    const QDir dir(folder);
    return removeFiles(dir, staleTemporaryFileNames(dir));
}

ClearResult clearFirmwareFiles(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(firmwarePatterns(), QDir::Files) + staleTemporaryFileNames(dir);
    return {int(names.size()), removeFiles(dir, names)};
}

QString hashInfoHtml(const QString &folder, const std::atomic_bool *cancel)
{
    const QDir dir(folder);
    QString text;
    for (const char *pattern : {"*.zip", "*.pac", "*.hex", "*.jbc", "*.bin"}) {
        const QFileInfoList files = dir.entryInfoList({QLatin1String(pattern)}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &file : files) {
            text += QStringLiteral("file: <b>%1</b> fileChecksum=<b>%2</b> size=<b>%3</b><br>")
                        .arg(file.fileName().toHtmlEscaped(), md5Hex(file.filePath(), cancel))
                        .arg(file.size());
        }
    }
    return text;
}

}

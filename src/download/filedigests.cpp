#include "download/filedigests.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#ifdef Q_OS_UNIX
#include <qplatformdefs.h>
#endif

namespace FirmwareFiles {

namespace {

// Large enough to keep the per-call overhead negligible, small enough to keep
// memory flat whatever the size of the firmware.
constexpr int kBlockSize = 1 << 20;

#ifdef Q_OS_UNIX
FileIdentity identityOf(const QT_STATBUF &status)
{
    FileIdentity identity;
    identity.valid = true;
    identity.device = quint64(status.st_dev);
    identity.inode = quint64(status.st_ino);
    identity.size = qint64(status.st_size);
    identity.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    identity.changedNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return identity;
}
#else
FileIdentity identityOf(const QFileInfo &info)
{
    FileIdentity identity;
    identity.valid = info.isFile();
    identity.size = info.size();
    identity.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    identity.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    return identity;
}
#endif

class DigestCache
{
public:
    QString find(const QString &path, const FileIdentity &identity)
    {
        const QMutexLocker lock(&m_mutex);
        const auto entry = m_entries.constFind(path);
        return entry != m_entries.cend() && entry->identity == identity ? entry->digest : QString();
    }
    void remember(const QString &path, const FileIdentity &identity, const QString &digest)
    {
        const QMutexLocker lock(&m_mutex);
        m_entries.insert(path, {identity, digest});
    }

private:
    struct Entry
    {
        FileIdentity identity;
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

bool cancelled(const std::atomic_bool *cancel) { return cancel && cancel->load(); }

}

bool FileIdentity::operator==(const FileIdentity &other) const
{
    return sameContent(other) && changedNs == other.changedNs;
}

bool FileIdentity::sameContent(const FileIdentity &other) const
{
    return valid && other.valid && device == other.device && inode == other.inode && size == other.size
        && modifiedNs == other.modifiedNs;
}

FileIdentity fileIdentity(const QString &path)
{
#ifdef Q_OS_UNIX
    QT_STATBUF status;
    if (QT_STAT(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return identityOf(status);
#else
    return identityOf(QFileInfo(path));
#endif
}

FileIdentity fileIdentity(const QFileDevice &file)
{
#ifdef Q_OS_UNIX
    QT_STATBUF status;
    if (file.handle() < 0 || QT_FSTAT(file.handle(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return identityOf(status);
#else
    return identityOf(QFileInfo(file.fileName()));
#endif
}

QString md5Hex(const QString &path, const std::atomic_bool *cancel)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString known = digestCache().find(absolute, fileIdentity(absolute));
    if (!known.isEmpty())
        return known;
    QFile file(absolute);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The file as it is read, taken before the first byte: what the digest
    // belongs to if the path still names it, unchanged, afterwards.
    const FileIdentity before = fileIdentity(file);
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qint64 count = 0;
    while ((count = file.read(block.data(), block.size())) > 0) {
        if (cancelled(cancel))
            return {};
        md5.addData(QByteArray::fromRawData(block.constData(), int(count)));
    }
    if (count < 0 || !before.valid || fileIdentity(absolute) != before)
        return {};
    const QString digest = QString::fromLatin1(md5.result().toHex());
    digestCache().remember(absolute, before, digest);
    return digest;
}

void rememberDigest(const QString &path, const FileIdentity &identity, const QString &digest)
{
    if (identity.valid)
        digestCache().remember(QFileInfo(path).absoluteFilePath(), identity, digest);
}

}

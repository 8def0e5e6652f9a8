#pragma once

#include <QString>

#include <atomic>

class QFileDevice;

// MD5 digests of the firmware folder's files, read in blocks and remembered
// for as long as a file provably stays the same, so that every row of a
// model and every command asks for a large file's digest without reading it
// again. Thread-safe.
namespace FirmwareFiles {

// What tells one state of a file from another without reading it. On Unix
// the device, inode, size and the modification and change times (to the
// nanosecond): a file changed in place and given its old modification time
// back still has a new change time, and a file renamed over another has
// another inode. Elsewhere what Qt offers: size, modification and metadata
// change times.
struct FileIdentity
{
    bool valid = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileIdentity &other) const;
    bool operator!=(const FileIdentity &other) const { return !(*this == other); }
    // The same file with the same content; only its change time may differ,
    // as a rename of the file changes it.
    bool sameContent(const FileIdentity &other) const;
};

FileIdentity fileIdentity(const QString &path);
// Of the file that `file` has open.
FileIdentity fileIdentity(const QFileDevice &file);

// Lower-case hexadecimal MD5 of a file; empty when it cannot be read, when
// it changed or was replaced while it was read, or when `cancel` turned true.
QString md5Hex(const QString &path, const std::atomic_bool *cancel = nullptr);

// Remembers `digest` for `path` while the file keeps `identity` (for a file
// whose digest was computed as it was written).
void rememberDigest(const QString &path, const FileIdentity &identity, const QString &digest);

}

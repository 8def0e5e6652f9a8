#pragma once

#include "catalogue/firmwarerelease.h"

#include <QList>
#include <QString>

#include <atomic>

// The file work of bringing one release into the firmware folder, as plain
// functions that any thread may call: which names may become file names,
// which files a release expects, MD5 digests read in blocks, and extraction
// of a zip package. Long operations stop early when `cancel` turns true.
namespace FirmwareFiles {

// True for a bare file name that addresses a file inside the folder: not
// empty, not "." or "..", no "/" or "\", no colon (drive or stream) and no
// control character.
bool isPlainFileName(const QString &name);

// The file-name part of a package URL: everything after the last "/".
QString packageFileName(const QString &downloadLoc);

// The release's unpacked files, or, when it has none, the package itself.
QList<UnpackedFileInfo> expectedFiles(const FirmwareRelease &release, const QString &packageName);

// Lower-case hexadecimal MD5 of a file; empty when it cannot be read or the
// work was cancelled. A file read before, unchanged in size and
// modification time since, is not read again.
QString md5Hex(const QString &path, const std::atomic_bool *cancel = nullptr);

// Every file is in `folder`, with its size when that is 1 or more and with
// exactly its digest when that is given.
bool allPresent(const QString &folder, const QList<UnpackedFileInfo> &files,
                const std::atomic_bool *cancel = nullptr);

// Extracts each of `files` from the zip package `archive` into `folder` and
// checks its digest, stopping at the first failure (DownloadStatus code;
// 10003 when cancelled). Each entry is written under a temporary name and
// renamed into place once complete; an entry that grows beyond its size
// (when that is 1 or more) is abandoned. Does not delete the package.
int extract(const QString &archive, const QString &folder, const QList<UnpackedFileInfo> &files,
            const std::atomic_bool *cancel = nullptr);

// Deletes the firmware files of the folder (*.jbc, *.pac, *.bin, *.hex,
// *.zip; nothing else); returns how many there were.
int clearFirmwareFiles(const QString &folder);

// Each firmware file of the folder (*.zip, then *.pac, *.hex, *.jbc, *.bin,
// each sorted by name) as a rich-text line in the form of a release's
// unpacked file entry: name, lower-case MD5 and size.
QString hashInfoHtml(const QString &folder);

}

#pragma once

#include "catalogue/firmwarerelease.h"
#include "download/filedigests.h"
#include "download/packagefilename.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QTemporaryFile;

// The file work of bringing one release into the firmware folder, as plain
// functions that any thread may call: which names may become file names,
// which files a release expects and when they count as present, MD5 digests
// read in blocks, extraction of a zip package, the temporary files of that
// work and the clearing of the folder. Long operations stop early when
// `cancel` turns true.
namespace FirmwareFiles {

// True for a bare file name that addresses a file inside the folder: not
// empty, not "." or "..", no "/" or "\", no colon (drive or stream) and no
// control character.
bool isPlainFileName(const QString &name);

// The release's unpacked files, or, when it has none, the package itself.
QList<UnpackedFileInfo> expectedFiles(const FirmwareRelease &release, const QString &packageName);

// Two hexadecimal digests name the same bytes (hex digits in either case).
bool sameDigest(const QString &a, const QString &b);

// The one rule by which a release's files count as present, both before a
// download (is there anything to fetch?) and after it (did it bring what the
// release lists?): each file has a plain name and lies in `folder` as a
// regular file, of its size when that is 1 or more and of its digest when
// that is given. Returns 0, or the DownloadStatus of the first file that
// fails (NotAsListed: missing or of another size; ChecksumFailed: another
// digest); `problem` then names the file and what is wrong, for the log.
int checkFiles(const QString &folder, const QList<UnpackedFileInfo> &files, const std::atomic_bool *cancel = nullptr,
               QString *problem = nullptr);

// How many bytes an extraction into a folder with `freeBytes` available may
// write in all: the free space less a margin of 5 % of it or 64 MB, whichever
// is larger. A package's archive may claim any sizes; this bounds what it
// can take from the disk whatever the release database says.
qint64 extractionLimit(qint64 freeBytes);

// Extracts each of `files` from the zip package `archive` into `folder`,
// stopping at the first failure (DownloadStatus code; 10003 when cancelled).
// Each entry is written under a temporary name and renamed into place once
// complete, its digest remembered on the way. An entry that grows beyond its
// size (when that is 1 or more) fails as NotAsListed; when all entries
// together would write more than `limit` bytes the extraction fails with
// 10004 and removes what it wrote. Whether the files are the release's is
// for checkFiles to judge. Does not delete the package.
int extract(const QString &archive, const QString &folder, const QList<UnpackedFileInfo> &files, qint64 limit,
            const std::atomic_bool *cancel = nullptr);

// A new, open temporary file in `folder` under a short name of a fixed form
// (".vdfu-" and six random characters), whatever the length of the name it
// will take.
std::unique_ptr<QTemporaryFile> temporaryFile(const QString &folder);

// Renames the complete temporary file `part` (still open) over `target`, in
// one step, and remembers `digest` for the target when it is still the file
// that was written. False when the rename fails; the temporary file then
// goes with `part`.
bool commitTemporaryFile(QTemporaryFile &part, const QString &target, const QString &digest);

// Deletes the temporary files of this work in `folder` that no job has
// written to for an hour: left over from a run that ended abruptly (another
// program may be downloading into the same folder). Returns the names that
// could not be deleted.
QStringList removeTemporaryFiles(const QString &folder);

// What clearing the folder did.
struct ClearResult
{
    int found = 0;          // firmware and left-over temporary files
    QStringList notDeleted; // their names, where deletion failed
};

// Deletes the firmware files of the folder (*.jbc, *.pac, *.bin, *.hex,
// *.zip; nothing else) and left-over temporary files.
ClearResult clearFirmwareFiles(const QString &folder);

// Each firmware file of the folder (*.zip, then *.pac, *.hex, *.jbc, *.bin,
// each sorted by name) as a rich-text line in the form of a release's
// unpacked file entry: name, lower-case MD5 and size.
QString hashInfoHtml(const QString &folder, const std::atomic_bool *cancel = nullptr);

}

#pragma once

#include "catalogue/firmwarerelease.h"

#include <QList>
#include <QString>

// What the USB drive dialog tells about a release, as plain functions of the
// release record: the files that go onto the drive, the space they need, the
// file systems and restrictions, the revision history and the numbered USB
// instructions. Texts are translated in the dialog's context.
namespace UsbDriveTexts {

// Bit values of a release's updateViaUSB.
enum FileSystemBit { Fat16 = 1, Fat32 = 2, Ntfs = 4 };

// The firmware files to copy: the release's unpacked files or, without
// them, the package itself (its name taken from downloadLoc).
QList<UnpackedFileInfo> fileList(const FirmwareRelease &release);

// "1 kB" for 1000 bytes of files: their total with 5 % to spare, in bytes,
// kB or MB; "Unknown." when the total is not positive.
QString spaceRequired(qint64 totalFileBytes);

// "FAT16, FAT32, NTFS" for the bits set in updateViaUSB.
QString supportedFormats(int updateViaUSB);

// The serial-number and region conditions, or "None".
QString usageRestrictions(const FirmwareRelease &release);

QString models(const FirmwareRelease &release);
QString documentationLinks(const FirmwareRelease &release);

// Rich text: the newest revision, then the older ones, each with its
// numbered changes.
QString revisionHistory(const FirmwareRelease &release);

// Rich text: items separated by "|"; "^" items are notes, the others
// numbered steps. "No instructions available." without any.
QString usbInstructions(const QString &instructions);

}

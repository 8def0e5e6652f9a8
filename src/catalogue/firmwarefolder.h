#pragma once

#include <QString>

// The local firmware folder: the firmware packages, their unpacked files and
// the local copy of the release database all live in this one flat folder
// under the user's documents location.

// "<documents>/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware"
// for the given documents location. Returns the path when the folder exists,
// or when create is true and it could be created; otherwise, and when
// documentsLocation is empty, the empty text. The folder is created for its
// owner alone, and an existing folder of the user loses any access of
// others (the owner's own access is kept).
QString localFirmwareFolder(bool create, const QString &documentsLocation);

// The same under the platform's writable documents location.
QString localFirmwareFolder(bool create);

// Name of the release database, on the firmware server and as local copy.
inline constexpr char kReleaseDatabaseFileName[] = "pd_firmware_releases.json";

// Path of the local copy of the release database in folder.
QString localReleaseDatabasePath(const QString &folder);

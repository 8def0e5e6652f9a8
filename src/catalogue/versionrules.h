#pragma once

#include "catalogue/firmwarerelease.h"

#include <QString>
#include <QStringList>

// Firmware version comparison and display series identification.

// Error codes of compareVersions.
namespace VersionCompareError {
enum Code { None = 0, PartCountDiffers = -1, PartNotNumber = -2 };
}

// -1, 0 or 1 when a is older than, equal to or newer than b. Everything
// except digits and dots is dropped first ("R1.02" is 1.02) and the dotted
// parts are compared as numbers, so 1.10 is newer than 1.9 and 1.02 equals
// 1.2. On error (VersionCompareError) the result is 0.
int compareVersions(const QString &a, const QString &b, int &error);

// Display series, named by a release's seriesName; it selects power-save
// handling and the update dialect.
using SeriesId = int;
namespace Series {
enum : SeriesId {
    Unknown = 0,
    Kestrel4 = 1,
    Quartz = 2,
    Kestrel5 = 3,
    Halcyon = 4,
    Kestrel5Uhd = 5,
    Kestrel5Rx = 6,
    CorvidB = 7,
    CorvidA = 8,
    OspreyL = 9,
    OspreyH = 10,
    Tamarind = 11,
};
}

// Case-insensitive; unknown names (and the empty text) give Series::Unknown.
SeriesId seriesIdFromName(const QString &seriesName);
// Series 1 and 2.
bool isSeriesGroup1(SeriesId id);
// Series 3 and above, except 11.
bool isSeriesGroup2(SeriesId id);

// Change texts of every version in the release (newest first, then the
// older entries in database order) that is newer than currentVersion.
// Versions that cannot be compared with it are left out.
QStringList applicableChangeNotes(const FirmwareRelease &release, const QString &currentVersion);

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Records of the firmware release database. Plain values, copied out of the
// database on every lookup so that callers never hold references into it.

// Change notes of one build of this tool.
struct AppChangeListEntry
{
    int build = 0;
    QString changeList;
};

// The database header: which database content this is and which build of
// this tool is the newest.
struct ReleaseDbInfo
{
    int databaseVersion = -1; // -1: never loaded
    int latestAppBuildWindows = 0;
    int latestAppBuildMacOS = 0;
    QString latestAppdownloadLocWindows;
    QString latestAppVersionStringWindows;
    QString latestAppVersionStringMacOS;
    QList<AppChangeListEntry> previousAppChangeListWindows;
};

// What changed in one firmware version.
struct ChangeListEntry
{
    QString revision;
    QString version;
    QString changeList;
};

// One file that a firmware package yields after extraction.
struct UnpackedFileInfo
{
    QString fileName;
    int fileSize = 0; // 0 or less: not checked
    QString fileChecksum; // lower-case hex MD5; empty: not checked
};

struct DocumentationLink
{
    QString name;
    QString url;
};

// One release: the firmware package of a group of display models and how
// those models are updated.
struct FirmwareRelease
{
    QString version;
    QString releaseDate;
    QString downloadLoc;
    QString seriesName;
    QString fileChecksum;
    int fileSize = 0;
    int requiresAppBuild = 0;
    int updateViaHTTP = 0;
    int updateViaUSB = 0; // bit set: 1 FAT16, 2 FAT32, 4 NTFS
    int updateViaHTTPDurationSecs = 0;
    int manualPowerCycleRequired = 0; // 0 not stated, 1 no, 2 yes, 3 yes before a version
    int powerLEDBinkCodeProgress = 0;
    int powerLEDBinkCodeDone = 0;
    int powerLEDBinkCodeError = 0;
    int numPACComponents = 0;
    int useIP2 = 0;
    int needPowerOnToUpdateViaHTTP = 0;
    int needPowerOnToReadInfo = 0;
    int needSNMatchPosition = 0; // 1-based; 0 or less: no serial condition
    QString needSNMatchDigitsList;
    QString needSNMatchListingText;
    QString needSNMatchDetailedDescription;
    QString needRegionSelectListingText;
    QString needRegionSelectDescription;
    QString updateviaUSBInstructions;
    QString manualPowerCycleRequiredIfVersionBefore;
    ChangeListEntry changes; // the newest firmware; displays are compared with changes.version
    QStringList models;
    QList<ChangeListEntry> previousVersionChangeList;
    QList<UnpackedFileInfo> unpackedFileInfo;
    QList<DocumentationLink> documentationList;
    int legacyModel = 0;
    QString baseUSBFolderName;
    QString destinationUSBFileName;
};

#include "catalogue/displaymatching.h"

#include "catalogue/versionrules.h"

namespace {

// Power-cycle kind after a LAN update; kind 3 depends on whether the display
// runs a version before the release's threshold.
int powerCycleKind(const FirmwareRelease &release, const QString &currentVersion, int unchanged)
{
    switch (release.manualPowerCycleRequired) {
    case 0:
    case 1:
    case 2:
        return release.manualPowerCycleRequired;
    case 3: {
        int error = 0;
        const int order = compareVersions(release.manualPowerCycleRequiredIfVersionBefore,
                                          currentVersion, error);
        if (error != 0)
            return 0;
        return order > 0 ? 2 : 1;
    }
    default:
        return unchanged;
    }
}

void copyReleaseFields(DISPLAY_LIST_ENTRY &row, const FirmwareRelease &release)
{
    row.legacyModel = release.legacyModel;
    row.requiresAppBuild = release.requiresAppBuild;
    row.updateViaHTTP = release.updateViaHTTP;
    row.updateViaUSB = release.updateViaUSB;
    row.updateDurationSecs = release.updateViaHTTPDurationSecs;
    row.numPACComponents = release.numPACComponents;
    row.useIP2 = release.useIP2;
    row.needPowerOnToUpdateViaHTTP = release.needPowerOnToUpdateViaHTTP;
    row.needPowerOnToReadInfo = release.needPowerOnToReadInfo;
    row.latestVersion = release.changes.version;
    row.seriesId = seriesIdFromName(release.seriesName);
}

// The availability state from the comparison of current and newest version.
int availability(const DISPLAY_LIST_ENTRY &row)
{
    if (row.currentFirmware.isEmpty())
        return MatchStatus::NoVersionReported;
    int error = 0;
    const int order = compareVersions(row.currentFirmware, row.latestVersion, error);
    if (error != 0)
        return MatchStatus::NotComparable;
    if (order >= 0)
        return MatchStatus::UpToDate;
    return row.updateViaHTTP == 0 ? MatchStatus::NewerUsbOnly : MatchStatus::NewerViaLan;
}

bool alternateAddressUnusable(const DISPLAY_LIST_ENTRY &row)
{
    return row.ipAddress2.isNull() || row.ip2CheckResult != 0;
}

void matchRow(DISPLAY_LIST_ENTRY &row, const FirmwareReleaseDb &db, bool legacyEnabled, bool autoSelect)
{
    row.matchStatus = MatchStatus::NotMatched;
    FirmwareRelease release;
    if (db.findForDisplay(row.modelName, row.serialNumber, release) != 0) {
        row.matchStatus = MatchStatus::NoRelease;
        return;
    }

    row.powerCycleKind = powerCycleKind(release, row.currentFirmware, row.powerCycleKind);
    copyReleaseFields(row, release);
    row.matchStatus = availability(row);

    if (row.matchStatus == MatchStatus::NewerUsbOnly || row.matchStatus == MatchStatus::NewerViaLan)
        row.changeNotes = applicableChangeNotes(release, row.currentFirmware);

    if (row.matchStatus == MatchStatus::NewerViaLan && autoSelect && row.buildOk()
        && (release.legacyModel == 0 || legacyEnabled))
        row.selectedForUpdate = true;

    const bool updatable = row.matchStatus == MatchStatus::NotComparable
        || row.matchStatus == MatchStatus::UpToDate || row.matchStatus == MatchStatus::NewerViaLan;
    if (updatable && release.useIP2 != 0 && alternateAddressUnusable(row))
        row.commStatus = 2;
}

}

void matchAllRows(DisplayList &rows, const FirmwareReleaseDb &db, bool legacyEnabled, bool autoSelect)
{
    for (DISPLAY_LIST_ENTRY &row : rows)
        matchRow(row, db, legacyEnabled, autoSelect);
}

#pragma once

#include "catalogue/firmwarereleasedb.h"
#include "displaylist/displaylistentry.h"

// The matching pass: decides for each display row which release serves it,
// whether newer firmware exists and how it can be applied, and pre-selects
// rows that need an update over the LAN.
//
// Sets matchStatus, powerCycleKind, the fields copied from the release
// (legacyModel, requiresAppBuild, updateViaHTTP, updateViaUSB,
// updateDurationSecs, numPACComponents, useIP2, needPowerOnToUpdateViaHTTP,
// needPowerOnToReadInfo, latestVersion, seriesId), changeNotes, and
// selectedForUpdate when autoSelect is true; commStatus becomes 2 when the
// release needs the alternate address and that address is missing or was
// found unreachable. Rows already checked stay checked.
//
// The caller refreshes the view afterwards (every row may have changed).
void matchAllRows(DisplayList &rows, const FirmwareReleaseDb &db, bool legacyEnabled, bool autoSelect);

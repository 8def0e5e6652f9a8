#pragma once

#include "cli/recordset.h"
#include "displaylist/displaylistentry.h"

// The records that `vdfu` prints about displays: one per found display with
// the window's columns (search), and one per display selected for an update
// with its outcome (update). The texts are the window's own (DisplayColumns).
namespace DisplayRecords {

// The display can take a LAN update: the window offers its check box, and
// lets the operator use it (legacy models only with legacy support).
bool offersLanUpdate(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled);

RecordSet displays(const DisplayList &list, bool legacyEnabled);

// How the update of one selected display ended.
struct Outcome
{
    int row = -1;
    QString firmwareBefore;
    int status = 0;  // update status code: the last session's, 1 or 2 while still queued or running, 0 none
    QString result;  // what the code means, or why the display was not updated
};

RecordSet updateResults(const DisplayList &list, const QList<Outcome> &outcomes);

}

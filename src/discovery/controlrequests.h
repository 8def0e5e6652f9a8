#pragma once

#include "discovery/pdtcpreply.h"
#include "discovery/udpsearchreplyinfo.h"
#include "displaylist/displaylistentry.h"

// What the main window asks a display over its control protocol, and how
// the answer lands in the display's row: plain functions over the row and
// the control result.
namespace ControlRequests {

// A new row from a search reply, with the record's initial values elsewhere.
DISPLAY_LIST_ENTRY rowFromSearchReply(const DISPLAY_UDP_SEARCH_REPLY_INFO &info);

// Flags of the exchange that follows a search reply: what the reply lacked,
// in the command set of the display's series, plus the web probes.
int searchRequestFlags(const DISPLAY_LIST_ENTRY &row);
// Flags of a refresh: everything but the model name, which does not change.
int refreshRequestFlags(const DISPLAY_LIST_ENTRY &row);

// Merges a search or refresh result: each field that the exchange asked for
// and that came back non-empty replaces the row's (texts trimmed); a failed
// exchange marks the row's communication error and keeps the power state it
// carries.
void mergeControlResult(DISPLAY_LIST_ENTRY &row, const PD_TCP_REPLY &reply);
// Merges a power or power-save result: the state that the request set.
void mergePowerResult(DISPLAY_LIST_ENTRY &row, const PD_TCP_REPLY &reply);

}

#pragma once

#include "displaylist/displaylistentry.h"

#include <QString>
#include <QtGlobal>

// The texts of the display table's ten columns for one display record: what
// the table shows, what the CSV export and the clipboard carry (through the
// table model), and what a command line prints. Icons, fonts and colours stay
// with the table model. The texts keep the translation context of the table
// model, where the translation has always found them.
namespace DisplayColumns {

enum Column {
    ActionColumn = 0,
    ModelNameColumn,
    SerialNumberColumn,
    AssetTagColumn,
    IpAddressColumn,
    MacAddressColumn,
    PowerStateColumn,
    CurrentFirmwareColumn,
    AvailabilityColumn,
    StatusColumn,
    ColumnCount
};

// elapsedMs below 0: the time since the running session started, from the
// record's own update timer.
constexpr qint64 kFromUpdateTimer = -1;

// The column's title; a null text for a column outside the table.
QString headerText(int column);

// The cell's text exactly as the table shows it. A null text means the cell
// has no value at all (Action of a release that cannot go over the LAN or
// needs a newer build, an unknown power state, a column outside the table);
// every other cell, however empty, gives a non-null text, because the table
// sorts the two kinds apart. `legacyEnabled`: updates of legacy models are
// allowed (the "LDS" setting).
QString text(const DISPLAY_LIST_ENTRY &entry, int column, bool legacyEnabled,
             qint64 elapsedMs = kFromUpdateTimer);

// The Firmware availability column: the match state and, for a display
// selected for update, how far its firmware download has come.
QString availabilityText(const DISPLAY_LIST_ENTRY &entry);
// The Status column: the first hint that applies, else the update's state or
// progress.
QString statusText(const DISPLAY_LIST_ENTRY &entry, bool legacyEnabled,
                   qint64 elapsedMs = kFromUpdateTimer);
// How the display's last update ended, as the Status column says it once
// the session is over ("Success", or the error).
QString lastUpdateText(const DISPLAY_LIST_ENTRY &entry);
// A running session's progress, completed components and remaining time.
QString progressText(const DISPLAY_LIST_ENTRY &entry, qint64 elapsedMs = kFromUpdateTimer);
// How far a running session has come, 0 to 1: the percentage that
// progressText shows. -1 while no session runs or it reports no percentage.
double progressFraction(const DISPLAY_LIST_ENTRY &entry);

}

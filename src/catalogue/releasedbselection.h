#pragma once

#include "catalogue/firmwarereleasedb.h"

#include <QByteArray>
#include <QString>

// Choosing the working release database at start-up: the server's document
// when it is newer than the local copy, otherwise the local copy; and
// keeping the local copy current.

// The database read from the local copy at path (at most 999999 bytes).
// Without a copy it is empty with database version -1; a copy that does not
// parse leaves it empty with version 0 and logs the failure.
FirmwareReleaseDb loadLocalDatabase(const QString &path);

struct ReleaseDbChoice
{
    FirmwareReleaseDb database; // the working database
    bool fromServer = false;    // the server's document won: store it as the local copy
    bool loaded = false;        // the working database holds at least one record
    QString statusText;         // for the status bar
    int statusTimeoutMs = 0;    // 0: shown until replaced
};

// Decides between the downloaded document (downloadStatus 0: serverBody is
// what the server sent) and the local copy. The server wins only when its
// document parses, holds records and has a larger database version.
ReleaseDbChoice chooseReleaseDb(int downloadStatus, const QByteArray &serverBody,
                                const FirmwareReleaseDb &local);

// Replaces the local copy at path with data atomically: the data goes to a
// temporary file that is renamed over the copy only when completely written,
// so the copy is always either the previous or the new document.
bool writeLocalCopy(const QString &path, const QByteArray &data);

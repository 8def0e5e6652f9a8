#pragma once

#include "catalogue/firmwarerelease.h"
#include "displaylist/displaylistentry.h"
#include "lanupdate/updaterequests.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// The rules of the LAN update queue as plain functions over the display
// list: which rows take part and which are refused, the files of a row's
// session and its deadline, the time estimates, the texts of the
// confirmation and the status line, and one pass of the queue tick. The main window supplies the sessions; tests supply
// what a session would report.
namespace UpdateQueue {

// Updates at once below a limit of one would never start; the queue uses one lane at least.
int effectiveLimit(int multiUpdateLimit);

// Checked for the update and its firmware is in the firmware folder.
bool isCandidate(const DISPLAY_LIST_ENTRY &e);
// A first or second series display whose power-save mode is switched off
// before its update; `idle` also requires that no session and no control
// exchange exists for it.
bool powerSaveChangeNeeded(const DISPLAY_LIST_ENTRY &e);
bool powerSaveChangeStartable(const DISPLAY_LIST_ENTRY &e);

// The firmware files of a release in the cache folder, in session slot
// order. A release with more files than a session has slots yields none:
// a display is never updated with part of its firmware.
struct FirmwareFileList
{
    QStringList paths;
    bool tooMany = false;
    bool unpacked = false; // the files unpacked from the package, not the package itself
    int releaseFiles = 0;  // how many the release names
};
FirmwareFileList firmwareFiles(const FirmwareRelease &release, const QString &cacheFolder);

// Why a checked row is not queued. A session with no component to send, or
// no file for it, would end "Complete." without having sent a byte; two
// sessions to one address would update one display twice at once.
enum class Refusal {
    None,
    UnknownSeries, // no update dialect: left out without a word (the list says why)
    TooManyFiles,  // more firmware files than a session's slots
    NoFirmware,
    SharedAddress, // another display's update goes to the same address
};

struct PlannedRow
{
    int row = -1;
    FirmwareFileList files;
    Refusal refusal = Refusal::None;
    int sharedWith = -1; // SharedAddress: the row whose update holds the address
};

// The idle candidate rows in list order, each with its firmware files and
// whether it may be queued. `filesOf` gives a row's files, or false when its
// release is unknown (the row is left out). An address is held by the rows
// already queued or running and by the rows planned before.
using FilesOf = std::function<bool(const DISPLAY_LIST_ENTRY &, FirmwareFileList *)>;
QList<PlannedRow> planQueue(const DisplayList &list, const FilesOf &filesOf);
// Logs why a planned row is refused and returns the operator's text; empty
// for a row that is queued or left out without a word.
QString reportRefusal(const DisplayList &list, const PlannedRow &plan);
// The operator's texts of every refused row, by row.
QMap<int, QString> reportRefusals(const DisplayList &list, const QList<PlannedRow> &plans);

// Past this an update session ends with a time-out whatever it waits for:
// three times the release's duration, ten minutes at least.
int sessionDeadlineSecs(const DISPLAY_LIST_ENTRY &e);

// Durations spread over `limit` parallel lanes; the longest lane total.
int plannedSecondsEstimate(const DisplayList &list, int limit);
// Running rows first (their remaining seconds, one lane each, 0 once overdue), then the
// queued rows; elapsedSecs gives the whole seconds a running row has run.
using ElapsedSeconds = std::function<qint64(const DISPLAY_LIST_ENTRY &)>;
qint64 timerSeconds(const DISPLAY_LIST_ENTRY &e);
int remainingSecondsEstimate(const DisplayList &list, int limit, const ElapsedSeconds &elapsedSecs = timerSeconds);
// Whole minutes of the confirmation's duration sentence (halves up).
int confirmationMinutes(int seconds);

// The confirmation box: heading, table of displays, notes and question.
struct ConfirmationTexts
{
    QString heading;
    QString table;
    QString below;
    int rows = 0;
    QList<int> listedRows; // the list's rows in the table, in its order
    int plannedSeconds = 0;
    QString question; // the end of `below`
};
ConfirmationTexts confirmationTexts(const DisplayList &list, bool showAssetTag, int plannedSeconds);

// The status bar line of a queue tick; remainingSeconds < 0 leaves out the estimate.
QString statusLine(int running, int queued, int remainingSeconds);

// What a session reports on a tick.
struct SessionSnapshot
{
    int status = 0;
    LanUpdate::SlotValues componentStatus{};
    LanUpdate::SlotValues componentProgress{-1, -1, -1, -1, -1, -1};
    bool uploading = false;
    int uploadPercent = -1;
};

// Copies a running row's session state into it and logs the failures it
// reports. Returns true when the session has finished; the row then holds
// its outcome (and, after success, the new firmware, up to date, unchecked).
bool applySnapshot(DISPLAY_LIST_ENTRY &e, int row, const SessionSnapshot &s);

struct SessionAccess
{
    std::function<void(int row)> start;
    std::function<SessionSnapshot(int row)> read;
    // The row's session has finished or was cancelled: release it.
    std::function<void(int row)> release;
};

struct PassResult
{
    int queued = 0;      // rows queued at the start of the pass
    QHash<int, QString> completed; // rows that completed successfully: the firmware they had before
    QList<int> changed;  // rows to repaint
    QList<int> started;
    QList<int> finished;
};

// One queue tick: starts queued sessions while fewer than the limit run,
// copies progress into the rows and collects outcomes. `running` is the
// number of running sessions, kept up to date.
PassResult servicePass(DisplayList &list, int &running, int limit, const SessionAccess &access);

// Cancels every queued session; running ones go on. The rows cancelled.
QList<int> cancelQueued(DisplayList &list, const std::function<void(int row)> &release);

}

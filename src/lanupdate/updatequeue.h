#pragma once

#include "catalogue/firmwarerelease.h"
#include "displaylist/displaylistentry.h"
#include "lanupdate/updaterequests.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The rules of the LAN update queue as plain functions over the display
// list: which rows take part, the files of a row's session, the time
// estimates, the texts of the confirmation and the status line, and one pass
// of the queue tick. The main window supplies the sessions; tests supply
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
};
FirmwareFileList firmwareFiles(const FirmwareRelease &release, const QString &cacheFolder);

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
    bool completed = false; // a row completed successfully
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

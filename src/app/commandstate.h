#pragma once

// Which of the main window's commands may run, decided from what is running
// and what the display list holds. A pure function over plain values, so the
// rules can be checked without a window. The two update commands also say
// why they are disabled, decided by the same conditions that disable them.

#include <QString>
#include <QStringList>

// What the display list holds, as far as the commands care.
struct DisplayListTally
{
    int rows = 0;
    bool refreshing = false; // some row has a control exchange in flight
    int queued = 0;          // rows whose LAN update waits in the queue
    int selected = 0;        // rows checked for an update
    // Checked rows, as "<model> at <address>", that do not communicate and
    // that must be switched on before their update.
    QStringList selectedWithCommErrors;
    QStringList selectedNeedPowerOn;
    // The current row: the one the operator selected in the table.
    bool hasCurrent = false;
    QString currentModel;
    bool currentHasUpdateSession = false;
    bool currentOffersUsbUpdate = false;
    bool currentBuildOk = true; // its release does not need a newer build of this tool
};

// The main window's counters and flags.
struct BusyState
{
    bool searching = false;
    int pendingTcpReplies = 0;
    int activeDownloads = 0;
    int runningUpdates = 0;
    // A download batch for a LAN update or a USB drive has not finished.
    bool downloadBatchPending = false;
    // Confirmed updates wait for power-save changes before they are queued.
    bool powerSaveChangePending = false;
    bool databaseLoaded = false;
    bool hasTargetAddresses = false;
    DisplayListTally list;
};

struct CommandStates
{
    bool waitCursor = false;
    bool cancelQueuedUpdates = false;
    // The search button, "Broadcast search" and the address list dialog.
    // Like "Targeted search" and "All" they replace the list or all of its
    // rows, so they wait until no update is pending, queued or running.
    bool search = false;
    bool targetedSearch = false;
    bool lanUpdate = false;      // "Update firmware via LAN"
    bool refreshAll = false;
    bool refreshSelected = false;
    bool usbDriveForCurrent = false;
    bool tools = false;          // USB drive by model, offline download
    bool clearFirmwareFiles = false; // "Clear downloaded firmware files"
    bool deselectAll = false;
    // Why lanUpdate and usbDriveForCurrent are disabled, one sentence each;
    // empty exactly when the command is enabled.
    QStringList lanUpdateReasons;
    QStringList usbDriveReasons;
};

CommandStates commandStates(const BusyState &state);

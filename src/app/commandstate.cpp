#include "app/commandstate.h"

CommandStates commandStates(const BusyState &s)
{
    const DisplayListTally &list = s.list;
    const bool hasRows = list.rows > 0;
    // Nothing reads from or writes to the displays.
    const bool quiet = !list.refreshing && !s.searching;
    const bool idle = quiet && s.runningUpdates == 0 && s.activeDownloads == 0;
    const bool ready = hasRows && s.databaseLoaded && quiet;
    // From the confirmation on, until the last session has ended (the queue
    // tick starts the first only a second after the rows are queued).
    const bool updatesPending = s.powerSaveChangePending || list.queued > 0 || s.runningUpdates > 0;
    const bool toolsReady = s.runningUpdates <= 0 && s.databaseLoaded && s.activeDownloads == 0 && quiet;

    CommandStates c;
    c.waitCursor = s.searching || s.pendingTcpReplies != 0 || s.activeDownloads != 0 || s.downloadBatchPending;
    c.cancelQueuedUpdates = list.queued > 0;
    c.search = idle && !updatesPending;
    c.targetedSearch = c.search && s.hasTargetAddresses;
    c.lanUpdate = list.selectedWithCommErrors == 0 && !list.selectedNeedPowerOn && s.activeDownloads <= 0
        && s.runningUpdates <= 0 && ready && list.selected > 0;
    c.refreshAll = ready && !updatesPending;
    c.refreshSelected = ready && list.hasCurrent && !list.currentHasUpdateSession;
    c.usbDriveForCurrent = toolsReady && hasRows && list.hasCurrent && list.currentCanUseUsbDrive;
    c.tools = toolsReady;
    // Downloads write the folder's files and updates read them.
    c.clearFirmwareFiles = s.activeDownloads == 0 && !s.downloadBatchPending && !updatesPending;
    c.deselectAll = list.selected > 0;
    return c;
}

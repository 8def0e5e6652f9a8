#include "app/commandstate.h"

CommandStates commandStates(const BusyState &s)
{
    const DisplayListTally &list = s.list;
    const bool hasRows = list.rows > 0;
    // Nothing reads from or writes to the displays.
    const bool quiet = !list.refreshing && !s.searching;
    const bool idle = quiet && s.runningUpdates == 0 && s.activeDownloads == 0;
    const bool ready = hasRows && s.databaseLoaded && quiet;
    const bool toolsReady = s.runningUpdates <= 0 && s.databaseLoaded && s.activeDownloads == 0 && quiet;

    CommandStates c;
    c.waitCursor = s.searching || s.pendingTcpReplies != 0 || s.activeDownloads != 0 || s.downloadBatchPending;
    c.cancelQueuedUpdates = list.queued > 0;
    c.search = idle;
    c.targetedSearch = idle && s.hasTargetAddresses;
    c.lanUpdate = list.selectedWithCommErrors == 0 && !list.selectedNeedPowerOn && s.activeDownloads <= 0
        && s.runningUpdates <= 0 && ready && list.selected > 0;
    c.refreshAll = ready;
    c.refreshSelected = ready && list.hasCurrent && !list.currentHasUpdateSession;
    c.usbDriveForCurrent = toolsReady && hasRows && list.hasCurrent && list.currentCanUseUsbDrive;
    c.tools = toolsReady;
    c.deselectAll = list.selected > 0;
    return c;
}

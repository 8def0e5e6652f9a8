#include "app/commandstate.h"

#include <QCoreApplication>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(CommandState)
};

// The reasons that stop both update commands alike: activity that must end
// first, and a list or database that is not there yet.
QStringList commonReasons(const BusyState &s)
{
    QStringList reasons;
    if (s.searching)
        reasons << Text::tr("A search is running.");
    if (s.list.refreshing)
        reasons << Text::tr("Display information is being refreshed.");
    if (s.activeDownloads > 0)
        reasons << Text::tr("A firmware download is running.");
    if (s.runningUpdates > 0)
        reasons << Text::tr("Firmware updates are running.");
    if (!s.databaseLoaded)
        reasons << Text::tr("The firmware release database is not loaded.");
    if (s.list.rows <= 0)
        reasons << Text::tr("No displays are listed.");
    return reasons;
}

QStringList lanUpdateReasons(const BusyState &s)
{
    const DisplayListTally &list = s.list;
    QStringList reasons = commonReasons(s);
    if (list.rows > 0 && list.selected <= 0)
        reasons << Text::tr("No display is checked for update.");
    for (const QString &display : list.selectedWithCommErrors)
        reasons << Text::tr("Communication error: %1", "1=model and address of a checked display").arg(display);
    for (const QString &display : list.selectedNeedPowerOn)
        reasons << Text::tr("Switch on %1 first.", "1=model and address of a checked display").arg(display);
    return reasons;
}

QStringList usbDriveReasons(const BusyState &s)
{
    const DisplayListTally &list = s.list;
    QStringList reasons = commonReasons(s);
    if (list.rows > 0 && !list.hasCurrent)
        reasons << Text::tr("No display is selected.");
    if (list.hasCurrent && !list.currentOffersUsbUpdate) {
        reasons << (list.currentModel.isEmpty()
                        ? Text::tr("No USB drive update is offered for the selected display.")
                        : Text::tr("No USB drive update is offered for %1.", "1=model name").arg(list.currentModel));
    } else if (list.hasCurrent && !list.currentBuildOk) {
        reasons << Text::tr("The firmware for the selected display needs a newer version of this tool.");
    }
    return reasons;
}

}

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
    const bool toolsReady = s.runningUpdates <= 0 && s.databaseLoaded && s.activeDownloads <= 0 && quiet;

    CommandStates c;
    c.waitCursor = s.searching || s.pendingTcpReplies != 0 || s.activeDownloads != 0 || s.downloadBatchPending;
    c.cancelQueuedUpdates = list.queued > 0;
    c.search = idle && !updatesPending;
    c.targetedSearch = c.search && s.hasTargetAddresses;
    // The update commands are enabled exactly when nothing stands in their way,
    // so a disabled one always says why and an enabled one never does.
    c.lanUpdateReasons = lanUpdateReasons(s);
    c.lanUpdate = c.lanUpdateReasons.isEmpty();
    c.refreshAll = ready && !updatesPending;
    c.refreshSelected = ready && list.hasCurrent && !list.currentHasUpdateSession;
    c.usbDriveReasons = usbDriveReasons(s);
    c.usbDriveForCurrent = c.usbDriveReasons.isEmpty();
    c.tools = toolsReady;
    // Downloads write the folder's files and updates read them.
    c.clearFirmwareFiles = s.activeDownloads == 0 && !s.downloadBatchPending && !updatesPending;
    c.deselectAll = list.selected > 0;
    return c;
}

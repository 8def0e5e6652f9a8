#include "displaylist/displaylistentry.h"

#include "displaylist/updatestatus.h"

QString displayAddressText(const QHostAddress &address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        return QHostAddress(ipv4).toString();
    return address.toString();
}

bool DISPLAY_LIST_ENTRY::needsPowerOnToReport() const
{
    return powerState != 1 && needPowerOnToReadInfo != 0
        && (commStatus == 1 || matchStatus == MatchStatus::NoVersionReported);
}

bool DISPLAY_LIST_ENTRY::blockedByPowerState() const
{
    return needPowerOnToUpdateViaHTTP != 0 && updateStatus == UpdateStatus::Idle && powerState != 1
        && selectedForUpdate;
}

bool DISPLAY_LIST_ENTRY::powerSaveWillChange() const
{
    return selectedForUpdate && (seriesId == 1 || seriesId == 2) && (powerSaveMode == 0 || powerSaveMode == 1);
}

DisplayListTally tallyDisplayList(const DisplayList &list, int currentRow)
{
    DisplayListTally tally;
    tally.rows = list.size();
    for (const DISPLAY_LIST_ENTRY &entry : list) {
        tally.refreshing = tally.refreshing || entry.tcpClient;
        if (entry.updateStatus == UpdateStatus::Queued)
            ++tally.queued;
        if (!entry.selectedForUpdate)
            continue;
        ++tally.selected;
        if (entry.commStatus != 0)
            ++tally.selectedWithCommErrors;
        if (entry.needPowerOnToUpdateViaHTTP != 0 && entry.powerState != 1)
            tally.selectedNeedPowerOn = true;
    }
    if (currentRow >= 0 && currentRow < list.size()) {
        const DISPLAY_LIST_ENTRY &current = list.at(currentRow);
        tally.hasCurrent = true;
        tally.currentHasUpdateSession = current.updateClient;
        tally.currentCanUseUsbDrive = current.updateViaUSB != 0 && current.buildOk();
    }
    return tally;
}

#include "displaylist/displaylistentry.h"

#include "displaylist/updatestatus.h"

#include <QCoreApplication>

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

namespace {

// A display as the reasons for a disabled command name it.
QString displayName(const DISPLAY_LIST_ENTRY &entry)
{
    const QString address = displayAddressText(entry.ipAddress);
    if (entry.modelName.isEmpty())
        return address;
    return QCoreApplication::translate("CommandState", "%1 at %2", "1=model name 2=IP address").arg(entry.modelName, address);
}

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
            tally.selectedWithCommErrors << displayName(entry);
        if (entry.needPowerOnToUpdateViaHTTP != 0 && entry.powerState != 1)
            tally.selectedNeedPowerOn << displayName(entry);
    }
    if (currentRow >= 0 && currentRow < list.size()) {
        const DISPLAY_LIST_ENTRY &current = list.at(currentRow);
        tally.hasCurrent = true;
        tally.currentModel = current.modelName;
        tally.currentHasUpdateSession = current.updateClient;
        tally.currentOffersUsbUpdate = current.updateViaUSB != 0;
        tally.currentBuildOk = current.buildOk();
    }
    return tally;
}

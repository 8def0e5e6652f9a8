// The engine's side of discovery and control: searches, the control
// exchange that follows every search reply, refreshes, power and power-save
// requests, and merging their results into the display list.
#include "app/fleetengine.h"

#include "catalogue/displaymatching.h"
#include "discovery/controlprotocol.h"
#include "discovery/controlrequests.h"
#include "discovery/displaysearchudp.h"
#include "discovery/tcpclient.h"

bool FleetEngine::searchBroadcast(int interfaceIndex)
{
    QList<QHostAddress> destinations;
    if (interfaceIndex == kAllInterfaces) {
        destinations = LanInterfaces::allBroadcastAddresses(m_interfaces);
        for (const QHostAddress &address : qAsConst(destinations))
            qInfo() << "All UDP broadcast address:" << displayAddressText(address);
    } else {
        const QHostAddress address = LanInterfaces::interfaceAt(m_interfaces, interfaceIndex).broadcast;
        qInfo() << "UDP broadcast address:" << displayAddressText(address);
        destinations.append(address);
    }
    return startSearch(true, destinations);
}

bool FleetEngine::searchTargeted()
{
    return startSearch(false, m_targetAddresses);
}

bool FleetEngine::startSearch(bool broadcast, const QList<QHostAddress> &destinations)
{
    dropDisplayRows();
    emit statusMessage(tr("Searching..."));
    m_foundCount = 0;
    m_searching = true;
    emit stateChanged(true);

    m_udpSearch->SetFilterMode(2);
    int result = -1;
    if (broadcast) {
        if (m_udpSearch->SetBroadcastAddressList(destinations) == 0 && !destinations.isEmpty())
            result = m_udpSearch->StartSearch(DisplaySearchUDP::SearchBroadcast);
    } else if (m_udpSearch->SetTargetAddressList(destinations) == 0) {
        result = m_udpSearch->StartSearch(DisplaySearchUDP::SearchTargeted);
    }
    if (result == 0)
        return true;
    qInfo() << "UDP search error";
    emit statusMessage(tr("Search error"));
    m_searching = false;
    emit stateChanged(true);
    return false;
}

void FleetEngine::dropDisplayRows()
{
    // Exchanges still running for the old rows are abandoned with them, so
    // their results can never land on a row of the new search.
    for (DISPLAY_LIST_ENTRY &row : m_displayList) {
        if (row.tcpClient) {
            releaseTcpClient(row);
            --m_pendingTcpReplies;
        }
    }
    // Updates waiting for power-save changes wait for rows that are gone.
    m_powerSaveChangePending = false;
    m_refreshPending = false;
    m_powerRequestPending = false;
    m_matchPending = false;
    m_displayList.clear();
    emit listReset();
}

void FleetEngine::searchReply(DISPLAY_UDP_SEARCH_REPLY_INFO info)
{
    const DISPLAY_LIST_ENTRY row = ControlRequests::rowFromSearchReply(info);

    qInfo() << "UDP found model:" << row.modelName << "IP address:" << displayAddressText(row.ipAddress)
            << "IP address2:" << displayAddressText(row.ipAddress2) << "MAC:" << row.macAddress
            << "SeriesByUDP:" << row.udpSeries << "R:" << row.currentFirmware
            << "FW1:" << row.fwVersions[0] << "FW2:" << row.fwVersions[1]
            << "FW3:" << row.fwVersions[2] << "FW4:" << row.fwVersions[3];

    const int flags = ControlRequests::searchRequestFlags(row);
    qInfo() << "TCP request flags:" << flags << "IP address:" << displayAddressText(row.ipAddress);
    m_displayList.append(row);
    emit rowsAdded(m_displayList.size());
    m_matchPending = true;
    startTcpClient(m_displayList.size() - 1, flags, &FleetEngine::controlResult);

    ++m_foundCount;
    emit statusMessage(tr("Searching... Found %1 display(s) on LAN", "1=number of displays found").arg(m_foundCount));
    emit stateChanged(true);
}

void FleetEngine::searchEnded()
{
    m_searching = false;
    emit statusMessage(tr("Found %1 display(s) on LAN", "1=number of displays").arg(m_foundCount));
    qInfo() << "Found" << m_foundCount << "displays on LAN";
    emit stateChanged(true);
    // A search that found nothing has no exchanges to wait for.
    if (m_pendingTcpReplies == 0 && !m_matchPending)
        emit searchFinished();
}

void FleetEngine::startTcpClient(int row, int flags, void (FleetEngine::*resultSlot)(PD_TCP_REPLY))
{
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    auto *client = new TcpClient(this);
    connect(client, &TcpClient::device_results, this, resultSlot);
    client->SetRequestFlags(flags);
    entry.tcpClient = client;
    // Counted before it starts, so that even a result reported at once
    // finds the exchange counted.
    ++m_pendingTcpReplies;
    client->Start(entry.ipAddress, ControlProtocol::kPort, entry.ipAddress2);
}

bool FleetEngine::rowAcceptsRequest(int row) const
{
    return row >= 0 && row < m_displayList.size() && !m_displayList.at(row).updateClient
        && !m_displayList.at(row).tcpClient;
}

void FleetEngine::refreshRow(int row)
{
    if (!rowAcceptsRequest(row))
        return;
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    entry.commStatus = 0;
    m_refreshPending = true;
    m_matchPending = true;
    startTcpClient(row, ControlRequests::refreshRequestFlags(entry), &FleetEngine::controlResult);
    emit statusMessage(tr("Refreshing display information from %1 display(s)...", "1=number of displays")
                           .arg(m_pendingTcpReplies));
    qInfo() << "Display#" << row + 1 << "Requesting refresh of " << entry.modelName << " at "
            << displayAddressText(entry.ipAddress);
    emit rowChanged(row);
    emit stateChanged(true);
}

void FleetEngine::refreshAll()
{
    // The size is read on every pass: a refresh may change the list.
    for (int row = 0; row < m_displayList.size(); ++row)
        refreshRow(row);
}

void FleetEngine::requestPowerChange(int row, int flag)
{
    if (!rowAcceptsRequest(row))
        return;
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    entry.commStatus = 0;
    if (flag == TCP_REQ_POWER_ON || flag == TCP_REQ_POWER_OFF)
        m_powerRequestPending = true;
    startTcpClient(row, flag, &FleetEngine::requestResult);
    const QString address = displayAddressText(entry.ipAddress);
    switch (flag) {
    case TCP_REQ_POWER_ON:
        qInfo() << "Display#" << row + 1 << "Requesting power on for" << entry.modelName << "at" << address;
        break;
    case TCP_REQ_POWER_OFF:
        qInfo() << "Display#" << row + 1 << "Requesting power off for " << entry.modelName << " at " << address;
        break;
    case TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE:
        qInfo() << "Display#" << row + 1 << "Requesting Power Save to Auto Power Save for " << entry.modelName
                << " at " << address;
        break;
    default:
        qInfo() << "Display#" << row + 1 << "Requesting Power Save to Auto Standby for " << entry.modelName
                << " at " << address;
        break;
    }
    emit rowChanged(row);
    emit stateChanged(true);
}

int FleetEngine::rowOfExchange(const QHostAddress &address, int from) const
{
    for (int i = from; i < m_displayList.size(); ++i) {
        const DISPLAY_LIST_ENTRY &entry = m_displayList.at(i);
        if (entry.tcpClient && entry.ipAddress == address)
            return i;
    }
    return -1;
}

void FleetEngine::releaseTcpClient(DISPLAY_LIST_ENTRY &entry)
{
    entry.tcpClient->disconnect(this);
    entry.tcpClient->deleteLater();
    entry.tcpClient = nullptr;
}

void FleetEngine::controlResult(PD_TCP_REPLY rep)
{
    // Only a row whose exchange is still in flight takes a result; anything
    // else is a leftover of a list that has since been replaced.
    const int row = rowOfExchange(rep.ipAddress);
    if (row >= 0) {
        --m_pendingTcpReplies;
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        ControlRequests::mergeControlResult(entry, rep);
        releaseTcpClient(entry);

        qInfo() << "TCP status=" << rep.tcpStatus << "for Model:" << entry.modelName
                << "IP address:" << displayAddressText(entry.ipAddress) << "SerialNumber:" << entry.serialNumber
                << "R:" << entry.currentFirmware << "FW1:" << entry.fwVersions[0]
                << "FW2:" << entry.fwVersions[1] << "FW3:" << entry.fwVersions[2]
                << "FW4:" << entry.fwVersions[3] << "Power:" << entry.powerState;
        emit rowChanged(row);
    }
    controlResultMerged();
    emit stateChanged(true);
}

void FleetEngine::controlResultMerged()
{
    if (m_pendingTcpReplies != 0) {
        if (m_refreshPending)
            emit statusMessage(tr("Refreshing display information from %1 display(s)...", "1=number of displays")
                                   .arg(m_pendingTcpReplies));
        return;
    }
    // The batch of exchanges is over, whichever result came last. Only a
    // batch with search or refresh results has new facts to match; power
    // changes alone leave the matching, and the operator's checks, as they are.
    if (!m_matchPending)
        return;
    m_matchPending = false;
    if (!m_refreshPending && !m_powerRequestPending) {
        matchDisplayRows(true);
    } else {
        m_refreshPending = false;
        m_powerRequestPending = false;
        emit statusMessage(QString());
        matchDisplayRows(false);
    }
    if (!m_searching)
        emit searchFinished();
}

void FleetEngine::matchDisplayRows(bool autoSelect)
{
    matchAllRows(m_displayList, m_releaseDb, m_legacyEnabled, autoSelect);
    emit rowChanged(-1);
}

void FleetEngine::requestResult(PD_TCP_REPLY rep)
{
    for (int row = rowOfExchange(rep.ipAddress); row >= 0; row = rowOfExchange(rep.ipAddress, row + 1)) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        --m_pendingTcpReplies;
        qInfo() << "TCP status=" << rep.tcpStatus << "for" << entry.modelName << "at"
                << displayAddressText(entry.ipAddress);
        ControlRequests::mergePowerResult(entry, rep);
        releaseTcpClient(entry);
        emit rowChanged(row);
    }
    controlResultMerged();
    emit stateChanged(true);

    if (m_pendingTcpReplies == 0 && m_powerSaveChangePending) {
        m_powerSaveChangePending = false;
        qInfo() << "Power Save Mode change completed. Starting firmware updates.";
        queueFirmwareUpdates();
    }
}

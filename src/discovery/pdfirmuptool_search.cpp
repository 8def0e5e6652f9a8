// The main window's side of discovery and control: searches, the control
// exchange that follows every search reply, refreshes, power and power-save
// requests, and merging their results into the display list.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "catalogue/displaymatching.h"
#include "discovery/controlprotocol.h"
#include "discovery/controlrequests.h"
#include "discovery/displaysearchudp.h"
#include "discovery/tcpclient.h"

#include <QStatusBar>

namespace {

QString addressText(const QHostAddress &address)
{
    return displayAddressText(address);
}

} // namespace

void PDFirmUpTool::on_pushButtonSearch_clicked()
{
    searchDisplays(true);
}

void PDFirmUpTool::on_actionBroadcast_triggered()
{
    searchDisplays(true);
}

void PDFirmUpTool::UDPSearchStartNoForceBroadcast()
{
    searchDisplays(false);
}

void PDFirmUpTool::on_actionAdvanced_network_search_triggered()
{
    searchDisplays(false);
}

void PDFirmUpTool::searchDisplays(bool forceBroadcast)
{
    if (!m_startupFinished) {
        m_startupFinished = true;
        update_ui(true);
    }
    const bool broadcast = forceBroadcast || m_targetAddresses.isEmpty();
    const QVariant selection = ui->interface_selection_comboBox->currentData();
    if (!selection.isValid())
        return;

    dropDisplayRows();
    ui->info_textBrowser->setFocus();
    statusBar()->showMessage(tr("Searching..."));
    m_infoRefreshPending = true;
    m_foundCount = 0;
    m_searching = true;
    update_ui(true);

    m_udpSearch->SetFilterMode(2);
    int result = -1;
    if (broadcast) {
        QList<QHostAddress> destinations;
        const int value = selection.toInt();
        if (value == -2) {
            destinations = allBroadcastAddresses();
            for (const QHostAddress &address : qAsConst(destinations))
                qInfo() << "All UDP broadcast address:" << addressText(address);
        } else {
            const QHostAddress address = interfaceAt(value).broadcast;
            qInfo() << "UDP broadcast address:" << addressText(address);
            destinations.append(address);
        }
        if (m_udpSearch->SetBroadcastAddressList(destinations) == 0 && !destinations.isEmpty())
            result = m_udpSearch->StartSearch(DisplaySearchUDP::SearchBroadcast);
    } else if (m_udpSearch->SetTargetAddressList(m_targetAddresses) == 0) {
        result = m_udpSearch->StartSearch(DisplaySearchUDP::SearchTargeted);
    }

    if (result != 0) {
        qInfo() << "UDP search error";
        statusBar()->showMessage(tr("Search error"));
        m_searching = false;
        update_ui(true);
    }
}

void PDFirmUpTool::dropDisplayRows()
{
    // Exchanges still running for the old rows are abandoned with them, so
    // their results can never land on a row of the new search.
    for (DISPLAY_LIST_ENTRY &row : m_displayList) {
        if (row.tcpClient) {
            row.tcpClient->disconnect(this);
            row.tcpClient->deleteLater();
            row.tcpClient = nullptr;
            --m_pendingTcpReplies;
        }
    }
    // Updates waiting for power-save changes wait for rows that are gone.
    m_powerSaveChangePending = false;
    m_refreshPending = false;
    m_powerRequestPending = false;
    m_matchPending = false;
    m_displayList.clear();
    emit resetAll();
}

void PDFirmUpTool::device_results_DisplaySearchUDP(DISPLAY_UDP_SEARCH_REPLY_INFO info)
{
    const DISPLAY_LIST_ENTRY row = ControlRequests::rowFromSearchReply(info);

    qInfo() << "UDP found model:" << row.modelName << "IP address:" << addressText(row.ipAddress)
            << "IP address2:" << addressText(row.ipAddress2) << "MAC:" << row.macAddress
            << "SeriesByUDP:" << row.udpSeries << "R:" << row.currentFirmware
            << "FW1:" << row.fwVersions[0] << "FW2:" << row.fwVersions[1]
            << "FW3:" << row.fwVersions[2] << "FW4:" << row.fwVersions[3];

    const int flags = ControlRequests::searchRequestFlags(row);
    qInfo() << "TCP request flags:" << flags << "IP address:" << addressText(row.ipAddress);
    m_displayList.append(row);
    emit addRow(m_displayList.size());
    m_matchPending = true;
    startTcpClient(m_displayList.size() - 1, flags, &PDFirmUpTool::device_results_TcpClient);

    ++m_foundCount;
    statusBar()->showMessage(tr("Searching... Found %1 display(s) on LAN", "1=number of displays found")
                                 .arg(m_foundCount));
    update_ui(true);
}

void PDFirmUpTool::finished_DisplaySearchUDP()
{
    m_searching = false;
    statusBar()->showMessage(tr("Found %1 display(s) on LAN", "1=number of displays").arg(m_foundCount));
    qInfo() << "Found" << m_foundCount << "displays on LAN";
    update_ui(true);
}

void PDFirmUpTool::startTcpClient(int row, int flags, void (PDFirmUpTool::*resultSlot)(PD_TCP_REPLY))
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

bool PDFirmUpTool::rowAcceptsRequest(int row) const
{
    return row >= 0 && row < m_displayList.size() && !m_displayList.at(row).updateClient
        && !m_displayList.at(row).tcpClient;
}

void PDFirmUpTool::refresh_row_by_TcpClient(int row)
{
    if (!rowAcceptsRequest(row))
        return;
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    entry.commStatus = 0;
    m_refreshPending = true;
    m_matchPending = true;
    startTcpClient(row, ControlRequests::refreshRequestFlags(entry), &PDFirmUpTool::device_results_TcpClient);
    statusBar()->showMessage(tr("Refreshing display information from %1 display(s)...", "1=number of displays")
                                 .arg(m_pendingTcpReplies));
    qInfo() << "Display#" << row + 1 << "Requesting refresh of " << entry.modelName << " at "
            << addressText(entry.ipAddress);
    emit update_info(row);
    update_ui(true);
}

void PDFirmUpTool::requestPowerOn_by_TcpClient(int row)
{
    requestPowerChange(row, TCP_REQ_POWER_ON);
}

void PDFirmUpTool::requestPowerOff_by_TcpClient(int row)
{
    requestPowerChange(row, TCP_REQ_POWER_OFF);
}

void PDFirmUpTool::requestSetPowerSaveToAutoPowerSave_by_TcpClient(int row)
{
    requestPowerChange(row, TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE);
}

void PDFirmUpTool::requestSetPowerSaveToAutoStandby_by_TcpClient(int row)
{
    requestPowerChange(row, TCP_REQ_POWER_SAVE_AUTO_STANDBY);
}

void PDFirmUpTool::requestPowerChange(int row, int flag)
{
    if (!rowAcceptsRequest(row))
        return;
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    entry.commStatus = 0;
    if (flag == TCP_REQ_POWER_ON || flag == TCP_REQ_POWER_OFF)
        m_powerRequestPending = true;
    startTcpClient(row, flag, &PDFirmUpTool::perform_request_TcpClient);
    const QString address = addressText(entry.ipAddress);
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
    emit update_info(row);
    update_ui(true);
}

int PDFirmUpTool::rowOfExchange(const QHostAddress &address, int from) const
{
    for (int i = from; i < m_displayList.size(); ++i) {
        const DISPLAY_LIST_ENTRY &entry = m_displayList.at(i);
        if (entry.tcpClient && entry.ipAddress == address)
            return i;
    }
    return -1;
}

void PDFirmUpTool::releaseTcpClient(DISPLAY_LIST_ENTRY &entry)
{
    entry.tcpClient->disconnect(this);
    entry.tcpClient->deleteLater();
    entry.tcpClient = nullptr;
}

void PDFirmUpTool::device_results_TcpClient(PD_TCP_REPLY rep)
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
                << "IP address:" << addressText(entry.ipAddress) << "SerialNumber:" << entry.serialNumber
                << "R:" << entry.currentFirmware << "FW1:" << entry.fwVersions[0]
                << "FW2:" << entry.fwVersions[1] << "FW3:" << entry.fwVersions[2]
                << "FW4:" << entry.fwVersions[3] << "Power:" << entry.powerState;
        emit update_info(row);
    }
    controlResultMerged();
    update_ui(true);
}

void PDFirmUpTool::controlResultMerged()
{
    if (m_pendingTcpReplies != 0) {
        if (m_refreshPending)
            statusBar()->showMessage(
                tr("Refreshing display information from %1 display(s)...", "1=number of displays")
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
        statusBar()->clearMessage();
        matchDisplayRows(false);
    }
}

void PDFirmUpTool::matchDisplayRows(bool autoSelect)
{
    matchAllRows(m_displayList, m_releaseDb, m_legacyEnabled, autoSelect);
    emit update_info(-1);
}

void PDFirmUpTool::perform_request_TcpClient(PD_TCP_REPLY rep)
{
    for (int row = rowOfExchange(rep.ipAddress); row >= 0; row = rowOfExchange(rep.ipAddress, row + 1)) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        --m_pendingTcpReplies;
        qInfo() << "TCP status=" << rep.tcpStatus << "for" << entry.modelName << "at"
                << addressText(entry.ipAddress);
        ControlRequests::mergePowerResult(entry, rep);
        releaseTcpClient(entry);
        emit update_info(row);
    }
    controlResultMerged();
    update_ui(true);

    if (m_pendingTcpReplies == 0 && m_powerSaveChangePending) {
        m_powerSaveChangePending = false;
        qInfo() << "Power Save Mode change completed. Starting firmware updates.";
        queueFirmwareUpdates();
    }
}

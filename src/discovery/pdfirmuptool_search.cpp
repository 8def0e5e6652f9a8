// The main window's search and control commands: the searches, and the
// refresh and power requests of the table's row menus, all done by the engine.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/fleetengine.h"
#include "discovery/pdtcpreply.h"

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
    const QVariant selection = ui->interface_selection_comboBox->currentData();
    if (!selection.isValid())
        return;
    ui->info_textBrowser->setFocus();
    m_infoRefreshPending = true;
    if (forceBroadcast || m_engine->targetAddresses().isEmpty())
        m_engine->searchBroadcast(selection.toInt());
    else
        m_engine->searchTargeted();
}

void PDFirmUpTool::refresh_row_by_TcpClient(int row)
{
    m_engine->refreshRow(row);
}

void PDFirmUpTool::requestPowerOn_by_TcpClient(int row)
{
    m_engine->requestPowerChange(row, TCP_REQ_POWER_ON);
}

void PDFirmUpTool::requestPowerOff_by_TcpClient(int row)
{
    m_engine->requestPowerChange(row, TCP_REQ_POWER_OFF);
}

void PDFirmUpTool::requestSetPowerSaveToAutoPowerSave_by_TcpClient(int row)
{
    m_engine->requestPowerChange(row, TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE);
}

void PDFirmUpTool::requestSetPowerSaveToAutoStandby_by_TcpClient(int row)
{
    m_engine->requestPowerChange(row, TCP_REQ_POWER_SAVE_AUTO_STANDBY);
}

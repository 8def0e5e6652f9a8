// Commands whose work is not part of this build yet. Each one logs that it
// is not available instead of pretending to work; a slot moves out of this
// file when its work lands.
#include "app/pdfirmuptool.h"

void PDFirmUpTool::refresh_row_by_TcpClient(int row)
{
    qInfo() << "Display#" << row + 1 << "Refresh display information is not available yet";
}

void PDFirmUpTool::requestPowerOn_by_TcpClient(int)
{
    logNotAvailable("Power On");
}

void PDFirmUpTool::requestPowerOff_by_TcpClient(int)
{
    logNotAvailable("Power Off");
}

void PDFirmUpTool::requestSetPowerSaveToAutoPowerSave_by_TcpClient(int)
{
    logNotAvailable("Set Power Save Mode to Auto Power Save");
}

void PDFirmUpTool::requestSetPowerSaveToAutoStandby_by_TcpClient(int)
{
    logNotAvailable("Set Power Save Mode to Auto Standby");
}

void PDFirmUpTool::on_pushButtonSearch_clicked()
{
    logNotAvailable("Broadcast search");
}

void PDFirmUpTool::on_actionBroadcast_triggered()
{
    logNotAvailable("Broadcast search");
}

void PDFirmUpTool::UDPSearchStartNoForceBroadcast()
{
    logNotAvailable("Targeted search");
}

void PDFirmUpTool::on_actionAdvanced_network_search_triggered()
{
    logNotAvailable("Targeted search");
}

void PDFirmUpTool::downloadJsonData()
{
    logNotAvailable("Firmware database retrieval");
}

void PDFirmUpTool::on_actionCheck_for_updates_triggered()
{
    logNotAvailable("Check for updates");
}

void PDFirmUpTool::on_download_pushButton_clicked()
{
    logNotAvailable("Update firmware via LAN");
}

void PDFirmUpTool::FirmUpdateTimerHandle()
{
    logNotAvailable("LAN update queue");
}

void PDFirmUpTool::on_actionCancel_all_queued_updates_via_LAN_triggered()
{
    logNotAvailable("Cancel all queued updates via LAN");
}

void PDFirmUpTool::cancel_download_clicked()
{
    logNotAvailable("Cancel downloads");
}

void PDFirmUpTool::on_create_usb_drive_pushButton_clicked()
{
    logNotAvailable("Create firmware USB drive for selected display");
}

void PDFirmUpTool::on_actionCreate_USB_drive_for_another_model_triggered()
{
    logNotAvailable("Create firmware USB drive by model");
}

void PDFirmUpTool::on_actionDownload_firmware_for_offline_use_triggered()
{
    logNotAvailable("Download firmware for offline use");
}

void PDFirmUpTool::on_actionClear_downloaded_firmware_files_triggered()
{
    logNotAvailable("Clear downloaded firmware files");
}

void PDFirmUpTool::on_actionCreat_file_hash_triggered()
{
    logNotAvailable("Generate file hash info");
}

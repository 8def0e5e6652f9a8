// Commands whose work is not part of this build yet. Each one logs that it
// is not available instead of pretending to work; a slot moves out of this
// file when its work lands.
#include "app/pdfirmuptool.h"

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

void PDFirmUpTool::queueFirmwareUpdates()
{
    logNotAvailable("LAN update queue");
}

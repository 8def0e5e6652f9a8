// Commands whose work is not part of this build yet. Each one logs that it
// is not available instead of pretending to work; a slot moves out of this
// file when its work lands.
#include "app/pdfirmuptool.h"

void PDFirmUpTool::confirm_firmware_update()
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

void PDFirmUpTool::openUsbDriveDialog(const FirmwareRelease &)
{
    logNotAvailable("Create firmware USB drive");
}

void PDFirmUpTool::on_actionCreate_USB_drive_for_another_model_triggered()
{
    logNotAvailable("Create firmware USB drive by model");
}

void PDFirmUpTool::queueFirmwareUpdates()
{
    logNotAvailable("LAN update queue");
}

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

void PDFirmUpTool::queueFirmwareUpdates()
{
    logNotAvailable("LAN update queue");
}

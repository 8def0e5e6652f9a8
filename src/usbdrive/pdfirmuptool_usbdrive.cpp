// The main window's USB drive commands: the dialog that writes a release
// whose firmware is in the firmware folder onto a drive, and the model
// search that leads to it for a display that is not on the network.
#include "app/pdfirmuptool.h"

#include "app/fleetengine.h"
#include "usbdrive/createusbdrivedialog.h"
#include "usbdrive/search_model_dialog.h"

void PDFirmUpTool::openUsbDriveDialog(const FirmwareRelease &release)
{
    CreateUSBDriveDialog dialog(this, release, m_engine->firmwareFolder());
    dialog.setHistory(m_engine->history());
    dialog.exec();
}

void PDFirmUpTool::on_actionCreate_USB_drive_for_another_model_triggered()
{
    search_model_dialog dialog(this, m_engine->releaseDb());
    FirmwareRelease release;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedRelease(release) != 0)
        return;
    prepareUsbDriveForModel(release);
}

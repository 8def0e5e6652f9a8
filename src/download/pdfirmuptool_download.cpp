// The main window's download commands: "Update firmware via LAN" and the USB
// drive commands hand their firmware to the engine's download batches, the
// cancel control stops them; the offline download dialog and the two
// maintenance commands of the firmware folder.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "app/fleetengine.h"
#include "download/downloadfirmwareforofflinedialog.h"
#include "download/firmwarefiles.h"
#include "download/offthreadwork.h"

#include <QStatusBar>

void PDFirmUpTool::on_download_pushButton_clicked()
{
    m_engine->downloadForLanUpdate();
}

void PDFirmUpTool::on_create_usb_drive_pushButton_clicked()
{
    const int row = currentRow();
    FirmwareRelease release;
    if (row < 0 || !m_engine->firmwareFolderAvailable())
        return;
    const DISPLAY_LIST_ENTRY &entry = m_engine->displays().at(row);
    if (m_engine->releaseDb().findForDisplay(entry.modelName, entry.serialNumber, release) == 0)
        m_engine->firmwareForUsbDrive(release, entry.modelName, {row}, true);
}

void PDFirmUpTool::prepareUsbDriveForModel(const FirmwareRelease &release)
{
    m_engine->firmwareForUsbDrive(release, QString(), m_engine->rowsOfRelease(release), false);
}

void PDFirmUpTool::cancel_download_clicked()
{
    m_engine->cancelDownloads();
}

void PDFirmUpTool::on_actionDownload_firmware_for_offline_use_triggered()
{
    if (!m_engine->firmwareFolderAvailable())
        return;
    DownloadFirmwareForOfflineDialog dialog(m_engine->firmwareFolder(), m_engine->releaseDb(), this);
    dialog.setHistory(m_engine->history());
    dialog.exec();
}

void PDFirmUpTool::on_actionClear_downloaded_firmware_files_triggered()
{
    if (!m_engine->firmwareFolderAvailable())
        return;
    const FirmwareFiles::ClearResult cleared = FirmwareFiles::clearFirmwareFiles(m_engine->firmwareFolder());
    for (const QString &name : cleared.notDeleted)
        qInfo() << "Could not delete firmware file:" << name;
    if (cleared.found == 0)
        statusBar()->showMessage(tr("No Files to clear"));
    else if (cleared.notDeleted.isEmpty())
        statusBar()->showMessage(tr("Files cleared"));
    else
        statusBar()->showMessage(tr("Could not delete %1 of %2 files", "1=files not deleted 2=files to clear")
                                     .arg(cleared.notDeleted.size())
                                     .arg(cleared.found));
}

void PDFirmUpTool::on_actionCreat_file_hash_triggered()
{
    if (!m_engine->firmwareFolderAvailable())
        return;
    OffThreadWork::run(
        this,
        [folder = m_engine->firmwareFolder()](const std::atomic_bool &cancel) {
            return QVariant(FirmwareFiles::hashInfoHtml(folder, &cancel));
        },
        [this](const QVariant &html) { ui->info_textBrowser->setHtml(html.toString()); });
}

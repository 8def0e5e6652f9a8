#include "usbdrive/createusbdrivedialog.h"

#include "ui_createusbdrivedialog.h"

#include "dialogs/messageboxes.h"
#include "download/offlinedownloadbatch.h"
#include "history/updatehistory.h"
#include "usbdrive/usbdrivecopy.h"
#include "usbdrive/usbdrivetexts.h"

#include <QApplication>
#include <QDir>
#include <QStandardItemModel>

#include <algorithm>
#include <utility>

CreateUSBDriveDialog::CreateUSBDriveDialog(QWidget *parent, const FirmwareRelease &release,
                                           const QString &sourceFolder, std::unique_ptr<DriveSource> drives)
    : QDialog(parent)
    , ui(new Ui::CreateUSBDriveDialog)
    , m_release(release)
    , m_sourceFolder(sourceFolder)
    , m_drives(drives ? std::move(drives) : RemovableDrives::systemSource())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->firmware_version_value_label->setText(release.changes.version);
    ui->firmware_revision_value_label->setText(release.changes.revision);
    ui->date_released_value_label->setText(release.releaseDate);
    ui->models_value_label->setText(UsbDriveTexts::models(release));
    ui->documentation_value_label->setText(UsbDriveTexts::documentationLinks(release));
    qint64 totalBytes = 0;
    const QList<UnpackedFileInfo> files = UsbDriveTexts::fileList(release);
    for (const UnpackedFileInfo &file : files)
        totalBytes += file.fileSize;
    ui->space_required_value_label->setText(UsbDriveTexts::spaceRequired(totalBytes));
    ui->supported_formats_value_label->setText(UsbDriveTexts::supportedFormats(release.updateViaUSB));
    ui->usage_restrictions_value_label->setText(UsbDriveTexts::usageRestrictions(release));
    ui->history_textBrowser->setHtml(UsbDriveTexts::revisionHistory(release));
    ui->instructions_textBrowser->setHtml(UsbDriveTexts::usbInstructions(release.updateviaUSBInstructions));
    connect(m_drives.get(), &DriveSource::lookedUp, this, &CreateUSBDriveDialog::showDrives);
    connect(m_drives.get(), &DriveSource::ejected, this, &CreateUSBDriveDialog::ejectFinished);
    refreshDrives();
}

CreateUSBDriveDialog::~CreateUSBDriveDialog()
{
    delete ui;
}

void CreateUSBDriveDialog::refreshDrives()
{
    {
        const QSignalBlocker blocker(ui->drive_comboBox);
        ui->drive_comboBox->clear();
    }
    m_driveRecords.clear();
    m_suitableDriveFound = false;
    m_lookingUp = true;
    update_ui();
    m_drives->lookUp();
}

void CreateUSBDriveDialog::showDrives(const DriveLookup &lookup)
{
    const QSignalBlocker blocker(ui->drive_comboBox);
    m_lookingUp = false;
    m_driveRecords = lookup.drives;
    auto *model = qobject_cast<QStandardItemModel *>(ui->drive_comboBox->model());
    const QList<DriveListItem> items = RemovableDrives::listItems(m_driveRecords, m_release.updateViaUSB);
    for (const DriveListItem &item : items) {
        if (item.suitable) {
            ui->drive_comboBox->addItem(QIcon(QStringLiteral(":/resources/checkmark.svg")), item.text, item.rootPath);
            m_suitableDriveFound = true;
        } else {
            ui->drive_comboBox->addItem(QIcon(QStringLiteral(":/resources/delete-red.svg")), item.text);
            model->item(model->rowCount() - 1)->setFlags(Qt::NoItemFlags);
        }
    }
    // How the drives were found, when it limits what the list can tell.
    if (!lookup.note.isEmpty()) {
        ui->drive_comboBox->addItem(lookup.note);
        model->item(model->rowCount() - 1)->setFlags(Qt::NoItemFlags);
    }
    update_ui();
    if (!m_notice.isEmpty())
        ui->status_label->setText(std::exchange(m_notice, QString()));
}

void CreateUSBDriveDialog::update_ui()
{
    const QString root = ui->drive_comboBox->currentData().toString();
    const bool busy = m_lookingUp || !m_ejectingRoot.isEmpty();
    if (m_lookingUp)
        ui->status_label->setText(tr("Looking for USB drives..."));
    else if (!m_ejectingRoot.isEmpty())
        ui->status_label->setText(
            tr("Ejecting drive %1...", "1=drive name").arg(QDir::toNativeSeparators(m_ejectingRoot)));
    else if (!m_suitableDriveFound)
        ui->status_label->setText(tr("No suitably formatted USB drives found."));
    else if (!root.isEmpty())
        ui->status_label->setText(tr("Ready."));
    else
        ui->status_label->setText(tr("Select a suitably formatted USB drive."));
    ui->copy_files_pushButton->setEnabled(!root.isEmpty() && !busy);
    ui->refresh_pushButton->setEnabled(!busy);
    ui->eject_pushButton->setVisible(!root.isEmpty() && root == m_copiedRoot);
}

QString CreateUSBDriveDialog::errorText(const QString &message)
{
    return tr("<img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"><font color=\"red\">",
              "formatting for error message")
        + message + QLatin1String("</font>");
}

void CreateUSBDriveDialog::on_copy_files_pushButton_clicked()
{
    ui->status_label->clear();
    const QString root = ui->drive_comboBox->currentData().toString();
    if (root.isEmpty())
        return;
    if (!UsbDriveCopy::existingFirmwareFiles(root).isEmpty()
        && MessageBoxes::warning(this, windowTitle(),
                                 tr("Existing firmware files on drive %1 will be deleted. Proceed?", "1=drive name")
                                     .arg(QDir::toNativeSeparators(root)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
        return;

    m_copiedRoot.clear();
    ui->eject_pushButton->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui->progressBar->show();
    m_copying = true;
    UsbDriveCopy copy(m_release, m_sourceFolder, *m_drives);
    connect(&copy, &UsbDriveCopy::progressChanged, this, &CreateUSBDriveDialog::progressChanged);
    HistoryRecord record = OfflineDownloadBatch::historyRecord(HistoryRecord::Kind::UsbDrive, m_release);
    record.started = QDateTime::currentDateTimeUtc();
    record.drive = ui->drive_comboBox->currentText();
    const int result = copy.run(root);
    if (m_history) {
        record.ended = QDateTime::currentDateTimeUtc();
        record.outcome = result == UsbDriveCopy::Success ? tr("Copied and verified") : UsbDriveCopy::resultText(result);
        m_history->add(record);
    }
    m_copying = false;
    QApplication::restoreOverrideCursor();
    if (result != UsbDriveCopy::Success) {
        ui->progressBar->hide();
        ui->status_label->setText(errorText(UsbDriveCopy::resultText(result)));
        return;
    }
    for (const RemovableDrive &drive : qAsConst(m_driveRecords)) {
        if (drive.rootPath == root && !drive.ejectId.isEmpty())
            m_copiedRoot = root;
    }
    ui->eject_pushButton->setVisible(!m_copiedRoot.isEmpty());
}

void CreateUSBDriveDialog::progressChanged(int, int value, int total, QString message)
{
    ui->progressBar->setMaximum(total);
    ui->progressBar->setValue(value);
    ui->status_label->setText(message);
    ui->progressBar->repaint();
    ui->status_label->repaint();
}

void CreateUSBDriveDialog::on_drive_comboBox_currentIndexChanged(int)
{
    update_ui();
}

void CreateUSBDriveDialog::on_close_pushButton_clicked()
{
    close();
}

void CreateUSBDriveDialog::on_refresh_pushButton_clicked()
{
    refreshDrives();
}

void CreateUSBDriveDialog::on_eject_pushButton_clicked()
{
    const auto found = std::find_if(m_driveRecords.cbegin(), m_driveRecords.cend(),
                                    [this](const RemovableDrive &drive) { return drive.rootPath == m_copiedRoot; });
    if (found == m_driveRecords.cend())
        return;
    // A copy: a source that answers at once refreshes the list meanwhile.
    const RemovableDrive drive = *found;
    m_ejectingRoot = std::exchange(m_copiedRoot, QString());
    update_ui();
    m_drives->eject(drive);
}

void CreateUSBDriveDialog::ejectFinished(const QString &error)
{
    const QString root = QDir::toNativeSeparators(std::exchange(m_ejectingRoot, QString()));
    m_notice = error.isEmpty()
        ? tr("Drive %1 was ejected and can be removed.", "1=drive name").arg(root)
        : errorText(tr("Error: The drive could not be ejected (%1).").arg(error));
    refreshDrives();
}

void CreateUSBDriveDialog::reject()
{
    // The copy runs inside this dialog's event handling; it finishes first.
    if (!m_copying)
        QDialog::reject();
}

#pragma once

#include "catalogue/firmwarerelease.h"
#include "usbdrive/removabledrives.h"

#include <QDialog>

#include <memory>

class UpdateHistory;

namespace Ui {
class CreateUSBDriveDialog;
}

// Shows everything about one release (version, models, documentation, space
// needed, file systems, restrictions, revision history, USB instructions),
// lists the USB drives with the file systems it accepts, and copies its
// firmware files from the firmware folder onto the chosen drive, verified.
// The drive list and ejecting wait for the drive layer without holding the
// window; the window is repainted but takes no input while the copy runs.
class CreateUSBDriveDialog : public QDialog
{
    Q_OBJECT

public:
    // Without `drives`, the drive layer of this machine is used.
    CreateUSBDriveDialog(QWidget *parent, const FirmwareRelease &release, const QString &sourceFolder,
                         std::unique_ptr<DriveSource> drives = nullptr);
    ~CreateUSBDriveDialog() override;

    // Where each drive prepared is recorded; nullptr: nowhere.
    void setHistory(UpdateHistory *history) { m_history = history; }

public slots:
    void on_copy_files_pushButton_clicked();
    void progressChanged(int instance, int m_progressValue, int m_progressTotal, QString m_progressMessage);
    void on_drive_comboBox_currentIndexChanged(int index);
    void on_close_pushButton_clicked();
    void on_refresh_pushButton_clicked();
    void update_ui();
    void on_eject_pushButton_clicked();
    void reject() override;

private:
    // Starts a look for the drives; the list fills in when it is answered.
    void refreshDrives();
    void showDrives(const DriveLookup &lookup);
    void ejectFinished(const QString &error);
    static QString errorText(const QString &message);

    Ui::CreateUSBDriveDialog *ui;
    FirmwareRelease m_release;
    QString m_sourceFolder;
    std::unique_ptr<DriveSource> m_drives;
    QList<RemovableDrive> m_driveRecords;
    bool m_suitableDriveFound = false;
    bool m_lookingUp = false;
    bool m_copying = false;
    QString m_copiedRoot;   // offered for ejecting after a good copy
    QString m_ejectingRoot; // being ejected
    QString m_notice;       // shown once the drive list is known again
    UpdateHistory *m_history = nullptr;
};

#pragma once

#include "usbdrive/removabledrives.h"

#include <QStringList>

// The system's disk service (UDisks2 on the system bus): what it reports of
// block devices and drives, and the drive records made of it.

// Properties of one block device object (org.freedesktop.UDisks2.Block and,
// when it holds a file system, .Filesystem).
struct DiskServiceBlock
{
    QString objectPath;
    QString drivePath; // the drive object it belongs to
    QString device;    // "/dev/sdb1"
    QString idType;    // "vfat", "ntfs", "exfat", ...
    QString idVersion; // "FAT16", "FAT32", ... for vfat
    QString idLabel;
    qint64 size = 0;
    bool readOnly = false;
    QStringList mountPoints;
};

// Properties of one drive object (org.freedesktop.UDisks2.Drive).
struct DiskServiceDrive
{
    QString objectPath;
    QString connectionBus; // "usb" for a USB stick, whatever the kernel's removable flag says
    QString vendor;
    QString model;
    bool ejectable = false;
    bool canPowerOff = false;
};

namespace DiskService {

// "FAT16", "FAT32", "NTFS", "exFAT" or the type as reported.
QString fileSystemName(const QString &idType, const QString &idVersion);

// One drive per mounted, writable file system; onUsbBus from its drive's
// connection bus.
QList<RemovableDrive> drivesFrom(const QList<DiskServiceBlock> &blocks, const QList<DiskServiceDrive> &drives);

}

class DiskServiceDriveSource : public DriveSource
{
public:
    // The service answers on the system bus.
    static bool available();

    QList<RemovableDrive> drives() override;
    bool eject(const RemovableDrive &drive, QString *error) override;

private:
    QList<DiskServiceBlock> m_blocks;
    QList<DiskServiceDrive> m_drives;
};

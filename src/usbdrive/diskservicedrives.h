#pragma once

#include "usbdrive/removabledrives.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QStringList>

#include <functional>

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
    bool readOnly = false;     // the device takes no writes
    QStringList mountPoints;
    QStringList mountOptions; // what the service mounted it with ("ro", ...)
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

// One drive per mounted file system; onUsbBus from its drive's connection
// bus; read-only when the device, the service's mount options or the mount
// itself say so.
QList<RemovableDrive> drivesFrom(const QList<DiskServiceBlock> &blocks, const QList<DiskServiceDrive> &drives);

}

// The drives as the disk service lists them. Every call to the service is
// asynchronous and bounded by a time-out; when the service gives no list,
// the mounted volumes are listed instead, with a note that says so.
class DiskServiceDriveSource : public DriveSource
{
    Q_OBJECT

public:
    explicit DiskServiceDriveSource(const QDBusConnection &bus = QDBusConnection::systemBus());

    // The service answers on the system bus.
    static bool available();

    void lookUp() override;
    void eject(const RemovableDrive &drive) override;

private:
    // Sends `message` to the service; `answered` gets the reply, an error
    // reply when the time-out passes first. Not called once this source is gone.
    void call(const QDBusMessage &message, const std::function<void(const QDBusMessage &)> &answered);
    // The block devices and drives of the service's object list.
    void readObjects(const QMap<QDBusObjectPath, QMap<QString, QVariantMap>> &objects);

    QDBusConnection m_bus;
    QList<DiskServiceBlock> m_blocks;
    QList<DiskServiceDrive> m_drives;
};

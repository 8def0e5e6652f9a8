#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// One mounted drive as the drive layer sees it.
struct RemovableDrive
{
    QString rootPath;    // where the volume is mounted
    QString displayName; // volume label, else the device or vendor name
    QString fileSystem;  // "FAT16", "FAT32", "NTFS", "exFAT", ... as far as known
    qint64 totalBytes = 0;
    bool onUsbBus = false; // what makes a drive removable here, not the kernel's flag
    QString ejectId;       // the disk service's block object; empty: cannot be ejected
    bool readOnly = false; // the device or its mount takes no writes
};

// The free space and validity of a drive, read again right before copying.
struct VolumeState
{
    bool valid = false;
    qint64 availableBytes = 0;
};

// What one look for drives found.
struct DriveLookup
{
    QList<RemovableDrive> drives;
    QString note; // how the drives were found, when it limits what the list can tell; empty for none
};

// Where the USB drive dialog learns about drives. The system has one source
// (the disk service or, without it, the mounted volumes); tests and the demo
// give folders that stand in for drives. Looking up and ejecting answer by
// signal, so that a service that is slow to answer never holds the window:
// sources that need no service answer before lookUp() returns, the disk
// service within its time-out.
class DriveSource : public QObject
{
    Q_OBJECT

public:
    // Starts a look for the drives; lookedUp() follows.
    virtual void lookUp() = 0;
    virtual VolumeState volumeState(const QString &rootPath);
    // Starts unmounting and ejecting the drive; ejected() follows.
    virtual void eject(const RemovableDrive &drive);

signals:
    void lookedUp(const DriveLookup &lookup);
    // `error` is empty when the drive may be removed, else why it may not.
    void ejected(const QString &error);
};

// Folders that stand in for drives: each is listed as a drive with the file
// system and size it is given, so that a machine without a USB stick can
// prepare a "drive" and tests can pick what the drive reports.
class FolderDriveSource : public DriveSource
{
public:
    struct Folder
    {
        RemovableDrive drive;         // rootPath is the folder
        qint64 availableBytes = -1;   // -1: what the folder's file system has
    };

    void add(const Folder &folder) { m_folders.append(folder); }
    QList<Folder> &folders() { return m_folders; }

    void lookUp() override;
    VolumeState volumeState(const QString &rootPath) override;

private:
    QList<Folder> m_folders;
};

// The mounted volumes, for machines without the disk service: a volume
// counts as a USB drive when its block device sits on the USB bus; FAT16 and
// FAT32 are told apart by the boot sector where the device can be read.
class MountedVolumeDriveSource : public DriveSource
{
public:
    void lookUp() override;
    // The mounted volumes on the USB bus.
    static QList<RemovableDrive> usbVolumes();
};

// One entry of the dialog's drive list: suitable drives carry their root.
struct DriveListItem
{
    QString text;
    QString rootPath; // empty: the drive cannot be chosen
    bool suitable = false;
};

namespace RemovableDrives {

// The USB drives among `drives`, as listed for a release whose updateViaUSB
// is `updateViaUSB`: "root (name) [size file system]", suitable when the
// file system is one the release accepts and the drive takes writes. Drives
// off the USB bus are left out.
QList<DriveListItem> listItems(const QList<RemovableDrive> &drives, int updateViaUSB);

// "512 MB" below 1 GiB, else "7 GB" (whole units, rounded down).
QString sizeText(qint64 bytes);

// The updateViaUSB bit of a file system name (ignoring case), 0 for others.
int fileSystemBit(const QString &fileSystem);

// "FAT12", "FAT16", "FAT32", "NTFS" or "exFAT" from a volume's first sector;
// empty when it is none of them.
QString fileSystemFromBootSector(const QByteArray &sector);

// The drive layer of this machine: the folder named by the settings key
// "Test USB Drive Folder" (file system from "Test USB Drive Format",
// default FAT32), else the disk service, else the mounted volumes.
std::unique_ptr<DriveSource> systemSource();

}

#include "usbdrive/removabledrives.h"

#include "app/mainsettings.h"
#include "usbdrive/diskservicedrives.h"
#include "usbdrive/usbdrivetexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>
#include <QtEndian>

namespace {


quint16 le16(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 le32(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

// Whether the kernel places the block device under a USB controller.
bool blockDeviceOnUsb(const QByteArray &device)
{
    const QString name = QFileInfo(QFile::decodeName(device)).fileName();
    if (name.isEmpty())
        return false;
    const QString sysPath = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    return sysPath.contains(QLatin1String("/usb"));
}

}

VolumeState DriveSource::volumeState(const QString &rootPath)
{
    QStorageInfo volume(rootPath);
    volume.refresh();
    VolumeState state;
    state.valid = volume.isValid() && volume.isReady()
        && QDir(volume.rootPath()) == QDir(rootPath);
    state.availableBytes = volume.bytesAvailable();
    return state;
}

void DriveSource::eject(const RemovableDrive &)
{
    emit ejected(tr("The drive cannot be ejected from here."));
}

void FolderDriveSource::lookUp()
{
    DriveLookup lookup;
    for (const Folder &folder : qAsConst(m_folders)) {
        if (QFileInfo(folder.drive.rootPath).isDir())
            lookup.drives.append(folder.drive);
    }
    emit lookedUp(lookup);
}

VolumeState FolderDriveSource::volumeState(const QString &rootPath)
{
    for (const Folder &folder : qAsConst(m_folders)) {
        if (folder.drive.rootPath != rootPath)
            continue;
        VolumeState state;
        state.valid = QFileInfo(rootPath).isDir();
        state.availableBytes = folder.availableBytes >= 0 ? folder.availableBytes
                                                          : QStorageInfo(rootPath).bytesAvailable();
        return state;
    }
    return {};
}

QList<RemovableDrive> MountedVolumeDriveSource::usbVolumes()
{
    QList<RemovableDrive> result;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        RemovableDrive drive;
        drive.rootPath = volume.rootPath();
        drive.displayName = volume.displayName();
        drive.totalBytes = volume.bytesTotal();
        drive.readOnly = volume.isReadOnly();
        drive.onUsbBus = blockDeviceOnUsb(volume.device());
        if (!drive.onUsbBus)
            continue;
        QFile device(QFile::decodeName(volume.device()));
        const QString fromBootSector = device.open(QIODevice::ReadOnly)
            ? RemovableDrives::fileSystemFromBootSector(device.read(512))
            : QString();
        const QString type = QString::fromLatin1(volume.fileSystemType());
        drive.fileSystem = !fromBootSector.isEmpty() ? fromBootSector
            : type == QLatin1String("vfat")          ? QStringLiteral("FAT")
            : type.startsWith(QLatin1String("ntfs")) ? QStringLiteral("NTFS")
                                                     : type;
        result.append(drive);
    }
    return result;
}

void MountedVolumeDriveSource::lookUp()
{
    emit lookedUp({usbVolumes(), QCoreApplication::translate("MountedVolumeDriveSource",
                                                             "No disk service: drives found from the mounted volumes.")});
}

namespace RemovableDrives {

QString fileSystemFromBootSector(const QByteArray &sector)
{
    if (sector.size() < 512)
        return {};
    if (sector.mid(3, 8) == "NTFS    ")
        return QStringLiteral("NTFS");
    if (sector.mid(3, 8) == "EXFAT   ")
        return QStringLiteral("exFAT");
    // A FAT volume's type follows from its count of clusters alone.
    const quint32 bytesPerSector = le16(sector, 11);
    const quint32 sectorsPerCluster = quint8(sector.at(13));
    const quint32 reservedSectors = le16(sector, 14);
    const quint32 fatCount = quint8(sector.at(16));
    const quint32 rootEntries = le16(sector, 17);
    const quint32 fatSectors = le16(sector, 22) ? le16(sector, 22) : le32(sector, 36);
    const quint32 totalSectors = le16(sector, 19) ? le16(sector, 19) : le32(sector, 32);
    if (bytesPerSector < 512 || sectorsPerCluster == 0 || fatCount == 0 || fatSectors == 0)
        return {};
    const quint64 rootSectors = (quint64(rootEntries) * 32 + bytesPerSector - 1) / bytesPerSector;
    const quint64 metaSectors = reservedSectors + quint64(fatCount) * fatSectors + rootSectors;
    if (totalSectors <= metaSectors)
        return {};
    const quint64 clusters = (totalSectors - metaSectors) / sectorsPerCluster;
    return clusters < 4085 ? QStringLiteral("FAT12") : clusters < 65525 ? QStringLiteral("FAT16")
                                                                         : QStringLiteral("FAT32");
}

int fileSystemBit(const QString &fileSystem)
{
    if (fileSystem.compare(QLatin1String("FAT16"), Qt::CaseInsensitive) == 0)
        return UsbDriveTexts::Fat16;
    if (fileSystem.compare(QLatin1String("FAT32"), Qt::CaseInsensitive) == 0)
        return UsbDriveTexts::Fat32;
    if (fileSystem.compare(QLatin1String("NTFS"), Qt::CaseInsensitive) == 0)
        return UsbDriveTexts::Ntfs;
    return 0;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kGiB = 1073741824;
    if (bytes < kGiB)
        return QCoreApplication::translate("RemovableDrives", "%1 MB").arg(bytes / 1048576);
    return QCoreApplication::translate("RemovableDrives", "%1 GB").arg(bytes / kGiB);
}

QList<DriveListItem> listItems(const QList<RemovableDrive> &drives, int updateViaUSB)
{
    QList<DriveListItem> items;
    for (const RemovableDrive &drive : drives) {
        if (!drive.onUsbBus)
            continue;
        DriveListItem item;
        const QString root = QDir::toNativeSeparators(drive.rootPath);
        item.text = QStringLiteral("%2 (%1) [%3 %4]")
                        .arg(drive.displayName, root, sizeText(drive.totalBytes), drive.fileSystem);
        if (drive.readOnly)
            item.text = QCoreApplication::translate("RemovableDrives", "%1 (read-only)",
                                                    "1=drive list item of a drive that takes no writes")
                            .arg(item.text);
        const int bit = fileSystemBit(drive.fileSystem);
        item.suitable = bit != 0 && (updateViaUSB & bit) != 0 && !drive.readOnly;
        if (item.suitable)
            item.rootPath = drive.rootPath;
        items.append(item);
    }
    return items;
}

std::unique_ptr<DriveSource> systemSource()
{
    const std::unique_ptr<QSettings> store = SettingsStores::openMainStore();
    store->beginGroup(QStringLiteral("Settings"));
    const QString folder = store->value(QStringLiteral("Test USB Drive Folder")).toString();
    if (!folder.isEmpty()) {
        auto source = std::make_unique<FolderDriveSource>();
        FolderDriveSource::Folder drive;
        drive.drive.rootPath = QDir::cleanPath(QDir(folder).absolutePath());
        drive.drive.displayName = QStringLiteral("TEST DRIVE");
        drive.drive.fileSystem =
            store->value(QStringLiteral("Test USB Drive Format"), QStringLiteral("FAT32")).toString();
        drive.drive.totalBytes = QStorageInfo(folder).bytesTotal();
        drive.drive.onUsbBus = true;
        source->add(drive);
        return source;
    }
    if (DiskServiceDriveSource::available())
        return std::make_unique<DiskServiceDriveSource>();
    return std::make_unique<MountedVolumeDriveSource>();
}

}

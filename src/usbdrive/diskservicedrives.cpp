#include "usbdrive/diskservicedrives.h"

#include "app/timing.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QStorageInfo>

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
constexpr int kCallTimeoutMs = 5000;

using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;


QString path(const QVariant &value)
{
    return value.value<QDBusObjectPath>().path();
}

QString cString(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
}

QStringList mountPoints(const QVariant &value)
{
    QStringList result;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QByteArray point;
        argument >> point;
        result << cString(point);
    }
    argument.endArray();
    return result;
}

// A method call to the service; the methods of its own interfaces take a map
// of options, the object list nothing.
QDBusMessage request(const QString &object, const QString &interface, const QString &method,
                     const QVariantList &arguments = {QVariantMap()})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, object, interface, method);
    message.setArguments(arguments);
    return message;
}

// Empty for an answer, else why the call failed.
QString failure(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return {};
    const QDBusError::ErrorType type = QDBusError(reply).type();
    if (type == QDBusError::NoReply || type == QDBusError::Timeout || type == QDBusError::TimedOut)
        return QCoreApplication::translate("DiskServiceDriveSource", "The disk service did not answer.");
    return reply.errorMessage();
}

// The file system at `mountPoint` is mounted read-only, whatever the device says.
bool mountedReadOnly(const QString &mountPoint)
{
    const QStorageInfo volume(mountPoint);
    return volume.isValid() && QDir(volume.rootPath()) == QDir(mountPoint) && volume.isReadOnly();
}

}

Q_DECLARE_METATYPE(InterfaceProperties)
Q_DECLARE_METATYPE(ManagedObjects)

namespace DiskService {

QString fileSystemName(const QString &idType, const QString &idVersion)
{
    if (idType == QLatin1String("vfat"))
        return idVersion.isEmpty() ? QStringLiteral("FAT") : idVersion.toUpper();
    if (idType == QLatin1String("ntfs"))
        return QStringLiteral("NTFS");
    if (idType == QLatin1String("exfat"))
        return QStringLiteral("exFAT");
    return idType;
}

QList<RemovableDrive> drivesFrom(const QList<DiskServiceBlock> &blocks, const QList<DiskServiceDrive> &drives)
{
    QList<RemovableDrive> result;
    for (const DiskServiceBlock &block : blocks) {
        if (block.mountPoints.isEmpty())
            continue;
        RemovableDrive drive;
        drive.rootPath = block.mountPoints.constFirst();
        drive.readOnly = block.readOnly || block.mountOptions.contains(QLatin1String("ro"))
            || mountedReadOnly(drive.rootPath);
        drive.fileSystem = fileSystemName(block.idType, block.idVersion);
        drive.totalBytes = block.size;
        drive.displayName = block.idLabel.isEmpty() ? block.device : block.idLabel;
        for (const DiskServiceDrive &owner : drives) {
            if (owner.objectPath != block.drivePath)
                continue;
            drive.onUsbBus = owner.connectionBus == QLatin1String("usb");
            if (owner.ejectable || owner.canPowerOff)
                drive.ejectId = block.objectPath;
        }
        result.append(drive);
    }
    return result;
}

}

bool DiskServiceDriveSource::available()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(kService).value();
}

DiskServiceDriveSource::DiskServiceDriveSource(const QDBusConnection &bus)
    : m_bus(bus)
{
    qDBusRegisterMetaType<InterfaceProperties>();
    qDBusRegisterMetaType<ManagedObjects>();
}

void DiskServiceDriveSource::call(const QDBusMessage &message, const std::function<void(const QDBusMessage &)> &answered)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, Timing::scaled(kCallTimeoutMs)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, answered] {
        watcher->deleteLater();
        answered(watcher->reply());
    });
}

void DiskServiceDriveSource::lookUp()
{
    call(request(QStringLiteral("/org/freedesktop/UDisks2"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                 QStringLiteral("GetManagedObjects"), {}),
         [this](const QDBusMessage &reply) {
             if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
                 m_blocks.clear();
                 m_drives.clear();
                 emit lookedUp({MountedVolumeDriveSource::usbVolumes(),
                                tr("The disk service did not answer: drives found from the mounted volumes.")});
                 return;
             }
             readObjects(qdbus_cast<ManagedObjects>(reply.arguments().constFirst()));
             emit lookedUp({DiskService::drivesFrom(m_blocks, m_drives), {}});
         });
}

void DiskServiceDriveSource::readObjects(const ManagedObjects &objects)
{
    m_blocks.clear();
    m_drives.clear();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const InterfaceProperties &interfaces = it.value();
        if (interfaces.contains(kDrive)) {
            const QVariantMap &p = interfaces.value(kDrive);
            m_drives.append({it.key().path(), p.value(QStringLiteral("ConnectionBus")).toString(),
                             p.value(QStringLiteral("Vendor")).toString(), p.value(QStringLiteral("Model")).toString(),
                             p.value(QStringLiteral("Ejectable")).toBool(),
                             p.value(QStringLiteral("CanPowerOff")).toBool()});
        }
        if (interfaces.contains(kBlock) && interfaces.contains(kFilesystem)) {
            const QVariantMap &p = interfaces.value(kBlock);
            DiskServiceBlock block;
            block.objectPath = it.key().path();
            block.drivePath = path(p.value(QStringLiteral("Drive")));
            block.device = cString(p.value(QStringLiteral("Device")).toByteArray());
            block.idType = p.value(QStringLiteral("IdType")).toString();
            block.idVersion = p.value(QStringLiteral("IdVersion")).toString();
            block.idLabel = p.value(QStringLiteral("IdLabel")).toString();
            block.size = p.value(QStringLiteral("Size")).toLongLong();
            block.readOnly = p.value(QStringLiteral("ReadOnly")).toBool();
            block.mountOptions = p.value(QStringLiteral("UserspaceMountOptions")).toStringList();
            block.mountPoints = mountPoints(interfaces.value(kFilesystem).value(QStringLiteral("MountPoints")));
            m_blocks.append(block);
        }
    }
}

void DiskServiceDriveSource::eject(const RemovableDrive &drive)
{
    QString drivePath;
    for (const DiskServiceBlock &block : qAsConst(m_blocks)) {
        if (block.objectPath == drive.ejectId)
            drivePath = block.drivePath;
    }
    if (drivePath.isEmpty())
        return DriveSource::eject(drive);
    // Ejecting stops the medium; sticks without one are powered off instead.
    call(request(drive.ejectId, kFilesystem, QStringLiteral("Unmount")), [this, drivePath](const QDBusMessage &unmounted) {
        const QString error = failure(unmounted);
        if (!error.isEmpty()) {
            emit ejected(error);
            return;
        }
        call(request(drivePath, kDrive, QStringLiteral("Eject")), [this, drivePath](const QDBusMessage &stopped) {
            if (failure(stopped).isEmpty()) {
                emit ejected({});
                return;
            }
            call(request(drivePath, kDrive, QStringLiteral("PowerOff")),
                 [this](const QDBusMessage &off) { emit ejected(failure(off)); });
        });
    });
}

#include "usbdrive/diskservicedrives.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

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

QDBusMessage call(const QString &object, const QString &interface, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, object, interface, method);
    message << QVariantMap();
    return QDBusConnection::systemBus().call(message, QDBus::Block, kCallTimeoutMs);
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
        if (block.mountPoints.isEmpty() || block.readOnly)
            continue;
        RemovableDrive drive;
        drive.rootPath = block.mountPoints.constFirst();
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

QList<RemovableDrive> DiskServiceDriveSource::drives()
{
    qDBusRegisterMetaType<InterfaceProperties>();
    qDBusRegisterMetaType<ManagedObjects>();
    m_blocks.clear();
    m_drives.clear();
    QDBusMessage request = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/UDisks2"),
                                                          QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                          QStringLiteral("GetManagedObjects"));
    const QDBusReply<ManagedObjects> reply = QDBusConnection::systemBus().call(request, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid())
        return {};
    const ManagedObjects objects = reply.value();
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
            block.mountPoints = mountPoints(interfaces.value(kFilesystem).value(QStringLiteral("MountPoints")));
            m_blocks.append(block);
        }
    }
    return DiskService::drivesFrom(m_blocks, m_drives);
}

bool DiskServiceDriveSource::eject(const RemovableDrive &drive, QString *error)
{
    QString drivePath;
    for (const DiskServiceBlock &block : qAsConst(m_blocks)) {
        if (block.objectPath == drive.ejectId)
            drivePath = block.drivePath;
    }
    auto failed = [error](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ErrorMessage)
            return false;
        if (error)
            *error = reply.errorMessage();
        return true;
    };
    if (drivePath.isEmpty()) {
        if (error)
            *error = QCoreApplication::translate("DiskServiceDriveSource", "The drive cannot be ejected from here.");
        return false;
    }
    if (failed(call(drive.ejectId, kFilesystem, QStringLiteral("Unmount"))))
        return false;
    // Ejecting stops the medium; sticks without one are powered off instead.
    const QDBusMessage ejected = call(drivePath, kDrive, QStringLiteral("Eject"));
    if (ejected.type() != QDBusMessage::ErrorMessage)
        return true;
    return !failed(call(drivePath, kDrive, QStringLiteral("PowerOff")));
}

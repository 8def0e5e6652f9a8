#include "catalogue/firmwarefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString localFirmwareFolder(bool create, const QString &documentsLocation)
{
    if (documentsLocation.isEmpty())
        return QString();
    const QString folder = documentsLocation
        + QLatin1String("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");
    if (QFileInfo(folder).isDir())
        return folder;
    if (!create || !QDir().mkpath(folder))
        return QString();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser
                                      | QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                      | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    return folder;
}

QString localFirmwareFolder(bool create)
{
    return localFirmwareFolder(create, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString localReleaseDatabasePath(const QString &folder)
{
    return folder + QLatin1Char('/') + QLatin1String(kReleaseDatabaseFileName);
}

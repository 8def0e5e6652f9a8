#include "catalogue/firmwarefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The release database kept here decides which firmware is sent to the
// displays, so no other local user may write to the folder (or look in).
void keepToOwner(const QString &folder, bool created)
{
    if (created) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        return;
    }
#ifdef Q_OS_UNIX
    // An existing folder of this user loses the access of others; the
    // owner's own access stays as it is, and another user's folder is left alone.
    struct stat st{};
    const QByteArray path = QFile::encodeName(folder);
    if (::stat(path.constData(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::chmod(path.constData(), st.st_mode & 0700);
#endif
}

}

QString localFirmwareFolder(bool create, const QString &documentsLocation)
{
    if (documentsLocation.isEmpty())
        return QString();
    const QString folder = documentsLocation
        + QLatin1String("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");
    const bool exists = QFileInfo(folder).isDir();
    if (!exists && (!create || !QDir().mkpath(folder)))
        return QString();
    keepToOwner(folder, !exists);
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

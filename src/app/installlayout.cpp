#include "app/installlayout.h"

#include "app/appinfo.h"

#include <QDir>
#include <QFileInfo>

namespace InstallLayout {

QString readmeFolder(const QString &applicationDir)
{
    const QString readme = QStringLiteral("ReadMe.html");
    if (QFileInfo::exists(applicationDir + QLatin1Char('/') + readme))
        return applicationDir;
    const QString installed = QDir::cleanPath(applicationDir + QLatin1String("/../share/")
                                              + QLatin1String(AppInfo::kPackageName));
    if (QFileInfo::exists(installed + QLatin1Char('/') + readme))
        return installed;
    return applicationDir;
}

}

#include "app/appinfo.h"

#include <QCoreApplication>

namespace AppInfo {

QString versionText()
{
    return QCoreApplication::translate("AppInfo", "Application version: %1 (Build %2)",
                                       "software version and build number")
        .arg(QLatin1String(kApplicationVersion), QString::number(kApplicationBuildNumber));
}

void applyIdentity()
{
    QCoreApplication::setOrganizationName(QLatin1String(kOrganisationName));
    QCoreApplication::setOrganizationDomain(QLatin1String(kOrganisationDomain));
    QCoreApplication::setApplicationName(QLatin1String(kApplicationName));
    QCoreApplication::setApplicationVersion(QLatin1String(kApplicationVersion));
}

}

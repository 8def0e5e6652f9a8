#include "catalogue/firmwareserver.h"

#include "app/mainsettings.h"
#include "catalogue/firmwarefolder.h"

#include <QSettings>

QString firmwareServerBaseUrl(QSettings &store)
{
    store.beginGroup(QStringLiteral("Settings"));
    const QString base = store.value(QLatin1String(kFirmwareServerUrlKey),
                                     QLatin1String(kDefaultFirmwareServerUrl))
                             .toString();
    store.endGroup();
    return base;
}

QString firmwareServerBaseUrl()
{
    return firmwareServerBaseUrl(*SettingsStores::openMainStore());
}

QUrl releaseDatabaseUrl(const QString &baseUrl)
{
    QString url = baseUrl;
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    return QUrl(url + QLatin1String(kReleaseDatabaseFileName));
}

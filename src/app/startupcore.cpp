#include "app/startupcore.h"

#include "app/qtcompat.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace Startup {

void chooseEventDispatcher()
{
    qputenv("QT_NO_GLIB", "1");
}

bool installTranslations(QCoreApplication &app)
{
    if (QLocale().language() != QLocale::Japanese)
        return false;
    auto *appTranslator = new QTranslator(&app);
    const bool appLoaded = appTranslator->load(
        QStringLiteral(":/translations/Resources/VantorDisplayFirmwareUpdateTool_ja"));
    if (appLoaded)
        QCoreApplication::installTranslator(appTranslator);
    auto *qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLatin1String(QtCompat::qtTranslationResource())))
        QCoreApplication::installTranslator(qtTranslator);
    return appLoaded;
}

}

#include "app/startup.h"

#include "app/appinfo.h"
#include "app/qtcompat.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QSplashScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QTranslator>

namespace Startup {

void chooseEventDispatcher()
{
    qputenv("QT_NO_GLIB", "1");
}

bool installTranslations(QApplication &app)
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

QSplashScreen *showSplash()
{
    QSvgRenderer renderer(QStringLiteral(":/resources/app splash.svg"));
    const QSize size = renderer.defaultSize().scaled(300, 300, Qt::KeepAspectRatio);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    auto *splash = new QSplashScreen(pixmap, Qt::WindowStaysOnTopHint);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->showMessage(AppInfo::versionText(), Qt::AlignHCenter | Qt::AlignBottom, Qt::black);
    splash->show();
    QTimer::singleShot(5000, splash, &QWidget::close);
    return splash;
}

}

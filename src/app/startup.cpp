#include "app/startup.h"

#include "app/appinfo.h"

#include <QPainter>
#include <QPixmap>
#include <QSplashScreen>
#include <QSvgRenderer>
#include <QTimer>

namespace Startup {

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

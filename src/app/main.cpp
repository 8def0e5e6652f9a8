#include "app/appinfo.h"
#include "app/environmentproxy.h"
#include "app/mainsettings.h"
#include "app/pdfirmuptool.h"
#include "app/qtcompat.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "discovery/openfilelimit.h"
#include "resources/resourceinit.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    initVdfuResources();
    AppInfo::applyIdentity();
    {
        auto startupStore = SettingsStores::openStartupStore();
        QtCompat::applyHighDpiAttributes(SettingsStores::highDpiScalingEnabled(*startupStore));
    }

    SingleInstance instance(QLatin1String(AppInfo::kSingleInstanceName));
    if (instance.alreadyRunning()) {
        std::fputs("\a", stderr);
        std::fflush(stderr);
        return 0;
    }

    // Every display of a large fleet holds a socket during a search.
    raiseOpenFileLimit();
    Startup::chooseEventDispatcher();

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(AppInfo::kDesktopFileId));
    EnvironmentProxyFactory::install();
    Startup::installTranslations(app);
    Startup::showSplash();

    auto window = std::make_unique<PDFirmUpTool>();
    window->show();
    const int result = app.exec();
    window.reset();
    return result;
}

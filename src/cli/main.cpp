// `vdfu`, the window's work for scripts: see cli/clirun.h and README.md ("Command line").
#include "app/appinfo.h"
#include "app/startupcore.h"
#include "app/timing.h"
#include "cli/clirun.h"
#include "discovery/openfilelimit.h"
#include "resources/resourceinit.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    initVdfuResources();
    AppInfo::applyIdentity();
    // Every display of a large fleet holds a socket during a search.
    raiseOpenFileLimit();
    Startup::chooseEventDispatcher();
    // A test aid: shortens every protocol time-out and wait by this factor.
    bool scaled = false;
    const double timeScale = qEnvironmentVariable("VDFU_TIME_SCALE").toDouble(&scaled);
    if (scaled)
        Timing::setScale(timeScale);

    QCoreApplication app(argc, argv);
    Startup::installTranslations(app);
    return Cli::run(QCoreApplication::arguments().mid(1));
}

#pragma once

#include <QStringList>

namespace Cli {

// Runs `vdfu` with `arguments` (without the program name) on the
// application object's event loop and returns the exit status. Settings,
// folders and the firmware server are the window's (FleetEngine::Environment::system()).
int run(const QStringList &arguments);

}

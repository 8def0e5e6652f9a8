#pragma once

#include "app/startupcore.h"

class QSplashScreen;

namespace Startup {
// The splash screen with the version text; it closes itself after 5 s or
// when clicked.
QSplashScreen *showSplash();
}

#pragma once

class QApplication;
class QSplashScreen;

namespace Startup {
// Chooses the event loop that copes with a socket per display of a large
// fleet: the generic one, whose cost per socket change does not grow with the
// number of sockets (the GLib one's does). Call before the application object.
void chooseEventDispatcher();

// Installs the application's and Qt's Japanese translations when the
// system language is Japanese; a translation that fails to load is ignored.
// Returns whether the application's translation was installed.
bool installTranslations(QApplication &app);

// The splash screen with the version text; it closes itself after 5 s or
// when clicked.
QSplashScreen *showSplash();
}

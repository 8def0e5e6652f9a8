#pragma once

class QApplication;
class QSplashScreen;

namespace Startup {
// Installs the application's and Qt's Japanese translations when the
// system language is Japanese; a translation that fails to load is ignored.
// Returns whether the application's translation was installed.
bool installTranslations(QApplication &app);

// The splash screen with the version text; it closes itself after 5 s or
// when clicked.
QSplashScreen *showSplash();
}

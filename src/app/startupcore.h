#pragma once

class QCoreApplication;

// The start-up steps that need no window system, shared by the window and
// the command line.
namespace Startup {
// Chooses the event loop that copes with a socket per display of a large
// fleet: the generic one, whose cost per socket change does not grow with the
// number of sockets (the GLib one's does). Call before the application object.
void chooseEventDispatcher();

// Installs the application's and Qt's Japanese translations when the
// system language is Japanese; a translation that fails to load is ignored.
// Returns whether the application's translation was installed.
bool installTranslations(QCoreApplication &app);
}

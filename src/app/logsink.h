#pragma once

#include <QtGlobal>

class SV_Information_Dialog;

// The application's message handler: information-level messages go,
// time-stamped, to the log window; every message is also passed on to the
// handler that was in effect before (the toolkit's default writes to stderr).
namespace LogSink {
void install(SV_Information_Dialog *window);
// Restores the previous handler; used when the main window goes away.
void uninstall();
}

#pragma once

class QCoreApplication;

// Process-wide set-up shared by the simulator programs.
namespace ProcessSetup {

// Raises the soft limit of open files to the hard limit: one process binds
// several sockets per simulated display. Returns the new soft limit.
long raiseOpenFileLimit();

// Ends this process when the process that started it ends, so a crashed
// test never leaves a simulator holding its addresses.
void exitWithParent();

// Gives standard output a larger pipe buffer (when it is a pipe), so a
// reader that is busy for a moment does not stall the event loop on output.
void enlargeOutputPipe();

// Quits `app` cleanly on SIGTERM and SIGINT (through a socket pair, so the
// quit happens on the event loop, not inside the signal handler).
void quitOnTerminationSignals(QCoreApplication *app);

} // namespace ProcessSetup

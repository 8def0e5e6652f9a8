#pragma once

class Terminal;

// The log of the command line: the engine's log lines, time-stamped as in
// the window's log, go to standard error above the live line; so do
// warnings, always. Debug messages are dropped.
namespace CliLog {

// `logLines`: write information messages (the log) too.
void install(Terminal *terminal, bool logLines);
void uninstall();

}

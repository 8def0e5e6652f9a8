#include "cli/clilog.h"

#include "app/loglineformat.h"
#include "cli/terminal.h"

#include <QDateTime>

namespace {

Terminal *g_terminal = nullptr;
bool g_logLines = false;

void handleMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (!g_terminal || type == QtDebugMsg || (type == QtInfoMsg && !g_logLines))
        return;
    g_terminal->line(logLinePrefix(QDateTime::currentDateTime()) + message);
}

}

namespace CliLog {

void install(Terminal *terminal, bool logLines)
{
    g_terminal = terminal;
    g_logLines = logLines;
    qInstallMessageHandler(handleMessage);
}

void uninstall()
{
    qInstallMessageHandler(nullptr);
    g_terminal = nullptr;
}

}

#include "cli/clilog.h"

#include "app/loglineformat.h"
#include "cli/terminal.h"

#include <QDateTime>

namespace {

Terminal *g_terminal = nullptr;
bool g_logLines = false;

// The time stamp, made once a second: a search of a large fleet logs
// thousands of lines a second, and local time costs a look at the time zone.
QString prefixNow()
{
    static qint64 second = -1;
    static QString prefix;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != second) {
        second = now;
        prefix = logLinePrefix(QDateTime::fromSecsSinceEpoch(now));
    }
    return prefix;
}

void handleMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (!g_terminal || type == QtDebugMsg || (type == QtInfoMsg && !g_logLines))
        return;
    g_terminal->line(prefixNow() + message);
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

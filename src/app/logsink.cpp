#include "app/logsink.h"

#include "app/loglineformat.h"
#include "app/sv_information_dialog.h"

#include <QPointer>

namespace {
QtMessageHandler g_previous = nullptr;
QPointer<SV_Information_Dialog> g_window;
bool g_installed = false;

// The time stamp of the current second. Converting to local time looks at
// the time zone each time, which a burst of thousands of lines would repeat.
QString currentPrefix()
{
    static qint64 stampedSecond = -1;
    static QString prefix;
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != stampedSecond) {
        stampedSecond = second;
        prefix = logLinePrefix(QDateTime::fromMSecsSinceEpoch(second * 1000));
    }
    return prefix;
}

void sink(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtInfoMsg && g_window)
        g_window->append(currentPrefix() + message, 0);
    if (g_previous)
        g_previous(type, context, message);
}
}

namespace LogSink {

void install(SV_Information_Dialog *window)
{
    g_window = window;
    if (!g_installed) {
        g_previous = qInstallMessageHandler(sink);
        g_installed = true;
    }
}

void uninstall()
{
    if (g_installed) {
        qInstallMessageHandler(g_previous);
        g_installed = false;
    }
    g_window = nullptr;
}

}

#include "app/logsink.h"

#include "app/loglineformat.h"
#include "app/sv_information_dialog.h"

#include <QPointer>

namespace {
QtMessageHandler g_previous = nullptr;
QPointer<SV_Information_Dialog> g_window;
bool g_installed = false;

void sink(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtInfoMsg && g_window)
        g_window->append(logLinePrefix(QDateTime::currentDateTime()) + message, 0);
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

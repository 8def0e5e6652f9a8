#pragma once

#include "displaysim/updateservice.h"
#include "simnet/httpserver.h"
#include "simprotocol/displayconfig.h"

class EventLog;

// The display's built-in web server on port 80: the start page (with a link
// to the login path when the web interface is locked) on the display's
// address, a page on its second address when that address answers, and the
// firmware update interface of the display's series on both.
class DisplayWebsite : public QObject
{
    Q_OBJECT

public:
    DisplayWebsite(const DisplayConfig &config, DisplayState &state, const EventLog &log, QObject *parent = nullptr);

    bool listen(quint16 port, QString *error);

    static QByteArray startPage(const DisplayConfig &config);

private:
    void addMainRoutes();
    void logRequest(const QHostAddress &local, const HttpRequest &request, const HttpResponse &response);

    const DisplayConfig &m_config;
    const EventLog &m_log;
    HttpServer m_main;
    HttpServer m_second;
    UpdateService m_update;
};

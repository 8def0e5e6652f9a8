#pragma once

#include "simnet/httpserver.h"
#include "simprotocol/displayconfig.h"

class EventLog;

// The display's built-in web server on port 80: the start page (with a link
// to the login path when the web interface is locked) on the display's
// address, and a page on its second address when that address answers. The
// routes live in tables so the update interface of the display families can
// join them later.
class DisplayWebsite : public QObject
{
    Q_OBJECT

public:
    DisplayWebsite(const DisplayConfig &config, const EventLog &log, QObject *parent = nullptr);

    bool listen(quint16 port, QString *error);

    static QByteArray startPage(const DisplayConfig &config);

private:
    void addMainRoutes();
    void logRequest(const QHostAddress &local, const HttpRequest &request, const HttpResponse &response);

    const DisplayConfig &m_config;
    const EventLog &m_log;
    HttpServer m_main;
    HttpServer m_second;
};

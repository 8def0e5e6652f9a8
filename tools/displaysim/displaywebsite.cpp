#include "displaysim/displaywebsite.h"

#include "simnet/eventlog.h"

#include <QJsonObject>

namespace {

QString deliveryName(HttpResponse::Delivery d)
{
    switch (d) {
    case HttpResponse::Delivery::Normal: return QStringLiteral("normal");
    case HttpResponse::Delivery::NoAnswer: return QStringLiteral("noAnswer");
    case HttpResponse::Delivery::StallBody: return QStringLiteral("stallBody");
    case HttpResponse::Delivery::DropMidBody: return QStringLiteral("dropMidBody");
    case HttpResponse::Delivery::Slow: return QStringLiteral("slow");
    }
    return QString();
}

} // namespace

DisplayWebsite::DisplayWebsite(const DisplayConfig &config, DisplayState &state, const EventLog &log, QObject *parent)
    : QObject(parent), m_config(config), m_log(log), m_update(config, state, log)
{
    addMainRoutes();
    m_update.addRoutes(m_main, m_config.address);
    m_update.addRoutes(m_second, m_config.address2);
    m_main.setResponseFilter([this](const HttpRequest &, HttpResponse &response) {
        if (m_config.httpNoAnswer)
            response.delivery = HttpResponse::Delivery::NoAnswer;
        else if (m_config.httpStatus != 200)
            response = HttpResponse::error(m_config.httpStatus);
    });
    m_second.setFallback([this](const HttpRequest &) {
        HttpResponse r;
        r.body = m_config.address2Body;
        return r;
    });
    connect(&m_main, &HttpServer::requestHandled, this, [this](const HttpRequest &q, const HttpResponse &r) {
        logRequest(m_config.address, q, r);
    });
    connect(&m_second, &HttpServer::requestHandled, this, [this](const HttpRequest &q, const HttpResponse &r) {
        logRequest(m_config.address2, q, r);
    });
}

QByteArray DisplayWebsite::startPage(const DisplayConfig &config)
{
    const QByteArray title = "<title>" + config.modelName + "</title>";
    const QByteArray content = config.locked
        ? QByteArrayLiteral("<p>This display is protected.</p><a href=\"/Logon/logon.html\">Log on</a>")
        : QByteArrayLiteral("<p>Display settings</p><a href=\"/settings.html\">Settings</a>");
    return "<html><head>" + title + "</head><body>" + content + "</body></html>";
}

void DisplayWebsite::addMainRoutes()
{
    const auto page = [this](const HttpRequest &) {
        HttpResponse r;
        r.body = startPage(m_config);
        return r;
    };
    m_main.addRoute("GET", "/", page);
    m_main.addRoute("GET", "/index.html", page);
    // Where the operator logs on in a browser; the simulator accepts nobody.
    m_main.addRoute("GET", "/Logon/logon.html", [](const HttpRequest &) {
        HttpResponse r;
        r.body = "<html><body><form method=\"post\" action=\"/Logon/logon.html\">"
                 "<input name=\"password\" type=\"password\"><input type=\"submit\" value=\"Log on\">"
                 "</form></body></html>";
        return r;
    });
}

bool DisplayWebsite::listen(quint16 port, QString *error)
{
    if (m_config.webServer && !m_main.listen(m_config.address, port)) {
        *error = QStringLiteral("HTTP %1:%2: %3").arg(m_config.address.toString()).arg(port).arg(m_main.errorString());
        return false;
    }
    const bool second = !m_config.address2.isNull() && m_config.address2.toIPv4Address() != 0
                        && m_config.address2Answers;
    if (second && !m_second.listen(m_config.address2, port)) {
        *error = QStringLiteral("HTTP %1:%2: %3").arg(m_config.address2.toString()).arg(port).arg(m_second.errorString());
        return false;
    }
    return true;
}

void DisplayWebsite::logRequest(const QHostAddress &local, const HttpRequest &request,
                                const HttpResponse &response)
{
    m_log.write(QStringLiteral("httpRequest"), QJsonObject{
        {QStringLiteral("display"), m_config.address.toString()},
        {QStringLiteral("address"), local.toString()},
        {QStringLiteral("method"), QString::fromLatin1(request.method)},
        {QStringLiteral("path"), QString::fromLatin1(request.target)},
        {QStringLiteral("status"), response.status},
        {QStringLiteral("delivery"), response.drop ? QStringLiteral("drop") : deliveryName(response.delivery)},
    });
}

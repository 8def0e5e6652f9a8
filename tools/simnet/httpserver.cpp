#include "simnet/httpserver.h"

#include <QTcpSocket>

namespace {
const char *const kBufferProperty = "httpBuffer";
}

HttpServer::HttpServer(QObject *parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { serve(socket); });
        }
    });
}

void HttpServer::addRoute(const QByteArray &method, const QByteArray &path, Handler handler)
{
    m_routes.append(Route{method, path, std::move(handler)});
}

void HttpServer::setFallback(Handler handler)
{
    m_fallback = std::move(handler);
}

void HttpServer::setResponseFilter(std::function<void(const HttpRequest &, HttpResponse &)> filter)
{
    m_filter = std::move(filter);
}

HttpResponse HttpServer::route(const HttpRequest &request) const
{
    bool pathKnown = false;
    for (const Route &r : m_routes) {
        if (r.path != request.path)
            continue;
        pathKnown = true;
        if (r.method == request.method)
            return r.handler(request);
    }
    if (pathKnown)
        return HttpResponse::error(405);
    return m_fallback ? m_fallback(request) : HttpResponse::error(404);
}

void HttpServer::serve(QTcpSocket *socket)
{
    // One request per connection: anything read after it is ignored.
    if (socket->property("served").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property(kBufferProperty).toByteArray() + socket->readAll();
    HttpRequest request;
    int consumed = 0;
    switch (HttpMessage::parseRequest(buffer, &request, &consumed)) {
    case HttpMessage::Parse::Incomplete:
        socket->setProperty(kBufferProperty, buffer);
        return;
    case HttpMessage::Parse::Bad:
        socket->setProperty("served", true);
        emit badRequest(socket->peerAddress());
        deliver(socket, HttpResponse::error(400));
        return;
    case HttpMessage::Parse::Ok:
        break;
    }
    socket->setProperty("served", true);
    socket->setProperty(kBufferProperty, QVariant());
    HttpResponse response = route(request);
    if (m_filter)
        m_filter(request, response);
    emit requestHandled(request, response);
    deliver(socket, response);
}

void HttpServer::deliver(QTcpSocket *socket, const HttpResponse &response)
{
    using Delivery = HttpResponse::Delivery;
    if (response.delivery == Delivery::NoAnswer)
        return; // the connection stays open until the client gives up
    const QByteArray head = HttpMessage::responseHead(response.status, response.contentType,
                                                      response.body.size());
    if (response.delivery == Delivery::Normal) {
        socket->write(head + response.body);
        socket->disconnectFromHost(); // after the pending bytes are written
        return;
    }
    socket->write(head + response.body.left(response.body.size() / 2));
    if (response.delivery == Delivery::DropMidBody) {
        // Close once the partial body has left, so the client sees a short body.
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket]() {
            if (socket->bytesToWrite() == 0)
                socket->abort();
        });
    }
}

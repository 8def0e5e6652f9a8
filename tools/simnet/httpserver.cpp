#include "simnet/httpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

constexpr qint64 kReadBufferBytes = 256 * 1024; // per connection, bounds memory
constexpr int kPaceIntervalMs = 100;

// Keeps the body in memory and hands the whole request to a plain handler.
class BufferSink : public HttpBodySink
{
public:
    BufferSink(HttpRequest head, HttpServer::Handler handler) : m_request(std::move(head)), m_handler(std::move(handler)) {}
    void write(const QByteArray &bytes) override { m_request.body += bytes; }
    HttpResponse finish() override { return m_handler(m_request); }

private:
    HttpRequest m_request;
    HttpServer::Handler m_handler;
};

// Reads and forgets the body, then answers with a fixed response.
class DiscardSink : public HttpBodySink
{
public:
    explicit DiscardSink(HttpResponse response) : m_response(std::move(response)) {}
    void write(const QByteArray &) override {}
    HttpResponse finish() override { return m_response; }

private:
    HttpResponse m_response;
};

} // namespace

// The reading state of one connection: its head buffer, then its body sink.
class HttpServer::Connection : public QObject
{
public:
    Connection(HttpServer *server, QTcpSocket *socket) : QObject(socket), m_server(server), m_socket(socket)
    {
        socket->setReadBufferSize(kReadBufferBytes);
        connect(socket, &QTcpSocket::readyRead, this, [this]() {
            if (!m_pace.isActive())
                read(-1);
        });
        connect(&m_pace, &QTimer::timeout, this, [this]() { read(m_sink->bytesPerSecond() * kPaceIntervalMs / 1000); });
    }

private:
    void read(qint64 budget)
    {
        if (m_done) {
            m_socket->readAll(); // one request per connection
            return;
        }
        if (!m_sink && (!readHead() || m_pace.isActive()))
            return; // a paced body is read by the timer only
        while (m_remaining > 0 && m_socket->bytesAvailable() > 0 && budget != 0) {
            qint64 n = qMin(m_remaining, m_socket->bytesAvailable());
            if (budget > 0) {
                n = qMin(n, budget);
                budget -= n;
            }
            const QByteArray piece = m_socket->read(n);
            m_remaining -= piece.size();
            m_sink->write(piece);
        }
        if (m_remaining > 0)
            return;
        m_done = true;
        m_pace.stop();
        const std::unique_ptr<HttpBodySink> sink = std::move(m_sink);
        m_server->complete(m_socket, m_head, sink->finish());
    }

    // False while the head is incomplete or was bad (then answered).
    bool readHead()
    {
        m_buffer += m_socket->read(HttpMessage::kMaxHeaderBytes + 4 - m_buffer.size());
        int headLength = 0;
        switch (HttpMessage::parseHead(m_buffer, &m_head, &headLength)) {
        case HttpMessage::Parse::Incomplete:
            return false;
        case HttpMessage::Parse::Bad:
            m_done = true;
            emit m_server->badRequest(m_socket->peerAddress());
            deliver(m_socket, HttpResponse::error(400));
            return false;
        case HttpMessage::Parse::Ok:
            break;
        }
        const QByteArray early = m_buffer.mid(headLength);
        m_buffer.clear();
        m_sink = m_server->sinkFor(m_head);
        m_remaining = m_head.contentLength;
        const QByteArray first = early.left(int(m_remaining));
        m_remaining -= first.size();
        if (!first.isEmpty())
            m_sink->write(first);
        if (m_sink->bytesPerSecond() > 0) {
            m_socket->setReadBufferSize(qMax<qint64>(1024, m_sink->bytesPerSecond() * kPaceIntervalMs / 1000));
            m_pace.start(kPaceIntervalMs);
        }
        return true;
    }

    HttpServer *m_server;
    QTcpSocket *m_socket;
    QByteArray m_buffer;
    HttpRequest m_head;
    std::unique_ptr<HttpBodySink> m_sink;
    qint64 m_remaining = 0;
    bool m_done = false;
    QTimer m_pace;
};

HttpServer::HttpServer(QObject *parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            new Connection(this, socket);
        }
    });
}

void HttpServer::addRoute(const QByteArray &method, const QByteArray &path, Handler handler)
{
    m_routes.append(Route{method, path, std::move(handler), {}});
}

void HttpServer::addStreamRoute(const QByteArray &method, const QByteArray &path, StreamHandler handler)
{
    m_routes.append(Route{method, path, {}, std::move(handler)});
}

void HttpServer::setFallback(Handler handler)
{
    m_fallback = std::move(handler);
}

void HttpServer::setResponseFilter(std::function<void(const HttpRequest &, HttpResponse &)> filter)
{
    m_filter = std::move(filter);
}

std::unique_ptr<HttpBodySink> HttpServer::sinkFor(const HttpRequest &head) const
{
    bool pathKnown = false;
    for (const Route &r : m_routes) {
        if (r.path != head.path)
            continue;
        pathKnown = true;
        if (r.method != head.method)
            continue;
        if (r.stream)
            return r.stream(head);
        break;
    }
    const bool buffered = head.contentLength <= HttpMessage::kMaxBodyBytes;
    for (const Route &r : m_routes) {
        if (r.path == head.path && r.method == head.method && r.handler && buffered)
            return std::make_unique<BufferSink>(head, r.handler);
    }
    if (pathKnown)
        return std::make_unique<DiscardSink>(HttpResponse::error(buffered ? 405 : 400));
    if (m_fallback && buffered)
        return std::make_unique<BufferSink>(head, m_fallback);
    return std::make_unique<DiscardSink>(HttpResponse::error(m_fallback ? 400 : 404));
}

void HttpServer::complete(QTcpSocket *socket, const HttpRequest &request, HttpResponse response)
{
    if (m_filter)
        m_filter(request, response);
    emit requestHandled(request, response);
    if (response.delayMs <= 0) {
        deliver(socket, response);
        return;
    }
    QPointer<QTcpSocket> target(socket);
    QTimer::singleShot(response.delayMs, socket, [target, response]() {
        if (target)
            deliver(target, response);
    });
}

void HttpServer::deliver(QTcpSocket *socket, const HttpResponse &response)
{
    using Delivery = HttpResponse::Delivery;
    if (response.delivery == Delivery::NoAnswer)
        return; // the connection stays open until the client gives up
    if (response.drop) {
        socket->abort();
        return;
    }
    const QByteArray head = HttpMessage::responseHead(response.status, response.contentType,
                                                      response.body.size());
    if (response.delivery == Delivery::Slow) {
        socket->write(head);
        // A piece every pace interval until the body is out, then close.
        auto *pace = new QTimer(socket);
        auto sent = std::make_shared<int>(0);
        connect(pace, &QTimer::timeout, socket, [socket, pace, sent, body = response.body]() {
            const int piece = HttpResponse::kSlowBytesPerSecond * kPaceIntervalMs / 1000;
            socket->write(body.mid(*sent, piece));
            *sent += piece;
            if (*sent >= body.size()) {
                pace->stop();
                socket->disconnectFromHost();
            }
        });
        pace->start(kPaceIntervalMs);
        return;
    }
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

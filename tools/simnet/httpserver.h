#pragma once

#include "simprotocol/httpmessage.h"

#include <QHostAddress>
#include <QList>
#include <QTcpServer>

#include <functional>
#include <memory>

// What a route answers, and how it is delivered: faults that a test needs
// (no answer, a body that stalls, a connection dropped in the middle of the
// body, a late answer) are delivery modes, so every route can show them.
struct HttpResponse
{
    enum class Delivery {
        Normal,
        NoAnswer,     // read the request, never send anything
        StallBody,    // send the head and half the body, then nothing
        DropMidBody,  // send the head and half the body, then close
        Slow,         // send the head, then the body at kSlowBytesPerSecond
    };

    static constexpr int kSlowBytesPerSecond = 2048;

    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/html");
    QByteArray body;
    Delivery delivery = Delivery::Normal;
    int delayMs = 0;   // wait this long before delivering
    bool drop = false; // close the connection without any answer instead

    static HttpResponse error(int status)
    {
        HttpResponse r;
        r.status = status;
        r.body = HttpMessage::reasonPhrase(status);
        r.contentType = "text/plain";
        return r;
    }
};

// Takes the body of a streamed request piece by piece as it arrives, so
// that large uploads never sit in memory whole.
class HttpBodySink
{
public:
    virtual ~HttpBodySink() = default;
    virtual void write(const QByteArray &bytes) = 0;
    // The whole body (Content-Length bytes) has arrived.
    virtual HttpResponse finish() = 0;
    // Reading pace of the body; 0 reads as fast as it arrives.
    virtual qint64 bytesPerSecond() const { return 0; }
};

// A small HTTP server on one address and port with a table of routes
// (method and exact path). Each connection serves one request and closes.
// Unknown paths get 404, unknown methods on a known path 405. Request
// bodies are read in bounded pieces: plain routes get the body in memory
// (at most HttpMessage::kMaxBodyBytes), streamed routes get a sink.
class HttpServer : public QTcpServer
{
    Q_OBJECT

public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;
    // Called with the request head (no body); returns the body's sink.
    using StreamHandler = std::function<std::unique_ptr<HttpBodySink>(const HttpRequest &)>;

    explicit HttpServer(QObject *parent = nullptr);

    void addRoute(const QByteArray &method, const QByteArray &path, Handler handler);
    void addStreamRoute(const QByteArray &method, const QByteArray &path, StreamHandler handler);
    // Answers paths that no route names (instead of 404).
    void setFallback(Handler handler);
    // Applied to every response before delivery (fault injection).
    void setResponseFilter(std::function<void(const HttpRequest &, HttpResponse &)> filter);

signals:
    // One request was read and answered (or, by its delivery mode, not).
    void requestHandled(const HttpRequest &request, const HttpResponse &response);
    void badRequest(const QHostAddress &peer);

private:
    struct Route
    {
        QByteArray method;
        QByteArray path;
        Handler handler;
        StreamHandler stream;
    };
    class Connection;

    std::unique_ptr<HttpBodySink> sinkFor(const HttpRequest &head) const;
    void complete(QTcpSocket *socket, const HttpRequest &request, HttpResponse response);
    static void deliver(QTcpSocket *socket, const HttpResponse &response);

    QList<Route> m_routes;
    Handler m_fallback;
    std::function<void(const HttpRequest &, HttpResponse &)> m_filter;
};

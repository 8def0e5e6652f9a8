#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

class QTcpSocket;

// A minimal HTTP/1.1 server for tests: answers GET requests from a table of
// routes, or deliberately misbehaves (never answers, holds back the body, or
// sends it slowly), so the downloader and the web probes can be tried
// against loopback.
class TinyHttpServer : public QObject
{
    Q_OBJECT

public:
    enum class Behaviour {
        Answer,  // status line, headers and the whole body at once
        Silent,  // reads the request and never answers
        Stall,   // headers and the first `portion` body bytes, then waits for sendMore()
        Trickle, // the body in pieces of `portion` bytes every 20 ms
    };
    struct Route
    {
        Route(QByteArray body_ = {}, int status_ = 200, Behaviour behaviour_ = Behaviour::Answer,
              int portion_ = 0, QByteArray headers_ = {})
            : body(std::move(body_)), status(status_), behaviour(behaviour_), portion(portion_),
              headers(std::move(headers_))
        {
        }
        QByteArray body;
        int status;
        Behaviour behaviour;
        int portion;
        QByteArray headers; // extra header lines, each ending in CRLF
    };

    explicit TinyHttpServer(QObject *parent = nullptr);

    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString &path) const;

    void setRoute(const QByteArray &path, const Route &route) { m_routes.insert(path, route); }
    // Paths of every request received, in order.
    QList<QByteArray> requests() const { return m_requests; }
    // Sends the next `bytes` of every stalled body (all of it with -1).
    void sendMore(int bytes = -1);

private:
    struct Pending
    {
        QPointer<QTcpSocket> socket;
        QByteArray rest;
    };

    void accept();
    void answer(QTcpSocket *socket, const QByteArray &path);
    void trickle();
    static void send(Pending &pending, int bytes);

    QTcpServer m_server;
    QHash<QByteArray, Route> m_routes;
    QList<QByteArray> m_requests;
    QList<Pending> m_stalled;
    QList<Pending> m_trickling;
    int m_tricklePiece = 0;
    QTimer m_trickleTimer;
};

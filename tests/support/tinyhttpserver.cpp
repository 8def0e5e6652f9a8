#include "tinyhttpserver.h"

#include <QTcpSocket>

TinyHttpServer::TinyHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TinyHttpServer::accept);
    m_trickleTimer.setInterval(20);
    connect(&m_trickleTimer, &QTimer::timeout, this, &TinyHttpServer::trickle);
}

bool TinyHttpServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

QUrl TinyHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://%1:%2%3")
                    .arg(m_server.serverAddress().toString())
                    .arg(m_server.serverPort())
                    .arg(path));
}

void TinyHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            if (!request.contains("\r\n\r\n")) {
                socket->setProperty("request", request);
                return;
            }
            socket->setProperty("request", QByteArray());
            const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
            const QByteArray path = requestLine.value(1);
            m_requests.append(path);
            answer(socket, path);
        });
    }
}

void TinyHttpServer::answer(QTcpSocket *socket, const QByteArray &path)
{
    const auto found = m_routes.constFind(path);
    const Route route = found != m_routes.constEnd() ? *found : Route{"not found", 404};
    if (route.behaviour == Behaviour::Silent)
        return;
    socket->write("HTTP/1.1 " + QByteArray::number(route.status) + " X\r\n"
                  "Content-Type: text/html\r\n"
                  "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n"
                  "Connection: close\r\n" + route.headers + "\r\n");
    Pending pending{socket, route.body};
    switch (route.behaviour) {
    case Behaviour::Stall:
        send(pending, route.portion);
        m_stalled.append(pending);
        break;
    case Behaviour::Trickle:
        m_tricklePiece = route.portion;
        m_trickling.append(pending);
        m_trickleTimer.start();
        break;
    default:
        send(pending, -1);
        break;
    }
}

void TinyHttpServer::sendMore(int bytes)
{
    for (Pending &pending : m_stalled)
        send(pending, bytes);
}

void TinyHttpServer::trickle()
{
    for (Pending &pending : m_trickling)
        send(pending, m_tricklePiece);
}

void TinyHttpServer::send(Pending &pending, int bytes)
{
    if (!pending.socket || pending.rest.isEmpty())
        return;
    const int count = bytes < 0 ? pending.rest.size() : qMin(bytes, pending.rest.size());
    pending.socket->write(pending.rest.left(count));
    pending.rest.remove(0, count);
    if (pending.rest.isEmpty())
        pending.socket->disconnectFromHost();
}

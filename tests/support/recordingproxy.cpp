#include "recordingproxy.h"

#include <QNetworkProxy>
#include <QTcpSocket>

RecordingProxy::RecordingProxy(QObject *parent)
    : QObject(parent)
{
    m_server.setProxy(QNetworkProxy::NoProxy);
    connect(&m_server, &QTcpServer::newConnection, this, &RecordingProxy::accept);
}

bool RecordingProxy::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QUrl RecordingProxy::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

void RecordingProxy::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, this, [this, client] { readHead(client); });
    }
}

void RecordingProxy::readHead(QTcpSocket *client)
{
    const QByteArray received = client->peek(client->bytesAvailable());
    const int end = received.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    disconnect(client, &QTcpSocket::readyRead, this, nullptr);
    const QByteArray head = client->read(end + 4);
    QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.takeFirst().trimmed().split(' ');
    const QUrl target(QString::fromLatin1(requestLine.value(1)));
    m_requests.append(target);
    if (requestLine.size() != 3 || target.scheme() != QLatin1String("http")) {
        client->write("HTTP/1.1 501 Not Implemented\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        client->disconnectFromHost();
        return;
    }

    QByteArray forwarded = requestLine[0] + ' ' + target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)
        + " HTTP/1.1\r\n";
    for (const QByteArray &line : qAsConst(lines)) {
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        if (name != "connection" && name != "proxy-connection")
            forwarded += line.trimmed() + "\r\n";
    }
    forwarded += "Connection: close\r\n\r\n";

    auto *server = new QTcpSocket(client);
    server->setProxy(QNetworkProxy::NoProxy);
    connect(server, &QTcpSocket::connected, server, [server, forwarded] { server->write(forwarded); });
    connect(client, &QTcpSocket::readyRead, server, [client, server] { server->write(client->readAll()); });
    connect(server, &QTcpSocket::readyRead, client, [client, server] { client->write(server->readAll()); });
    connect(server, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
    server->connectToHost(QHostAddress::LocalHost, quint16(target.port(80)));
}

#pragma once

#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A forward HTTP proxy on loopback for tests. It records the target of
// every request it carries ("GET http://host:port/path") and passes the
// request on to that port of 127.0.0.1 whatever the host, so a host name
// that resolves nowhere proves that a request came through it. Each
// connection carries one request: the server is asked to close after it.
class RecordingProxy : public QObject
{
    Q_OBJECT

public:
    explicit RecordingProxy(QObject *parent = nullptr);

    bool listen();
    QUrl url() const;
    // The targets of the requests carried, in order.
    QList<QUrl> requests() const { return m_requests; }

private:
    void accept();
    void readHead(QTcpSocket *client);

    QTcpServer m_server;
    QList<QUrl> m_requests;
};

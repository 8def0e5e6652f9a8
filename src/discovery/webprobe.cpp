#include "discovery/webprobe.h"

#include "app/timing.h"
#include "download/downloadstatus.h"

#include <QNetworkProxy>

namespace WebProbeHttp {

QByteArray request(const QUrl &url)
{
    QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    if (path.isEmpty())
        path = "/";
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() > 0)
        host += ':' + QByteArray::number(url.port());
    return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
}

bool usable(const HttpReplyReader &reply)
{
    return reply.state() == HttpReplyReader::State::Complete && reply.status() >= 200 && reply.status() < 400;
}

}

WebProbe::WebProbe(const QUrl &url, QObject *parent)
    : QObject(parent)
    , m_url(url)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(Timing::scaled(kFirstResponseTimeoutMs));
    connect(&m_timer, &QTimer::timeout, this, [this] { finish(DownloadStatus::TransferFailed); });
    connect(&m_socket, &QTcpSocket::connected, this,
            [this] { m_socket.write(WebProbeHttp::request(m_url)); });
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        m_timer.start(); // the wait starts again with every byte
        readReply(m_reply.feed(m_socket.read(m_socket.bytesAvailable())));
    });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { readReply(m_reply.close()); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            readReply(m_reply.close());
        else
            finish(DownloadStatus::TransferFailed);
    });
}

void WebProbe::start()
{
    // A result is never reported from inside start(): the caller may not be
    // ready for it yet.
    if (m_url.host().isEmpty()) {
        QMetaObject::invokeMethod(this, [this] { finish(DownloadStatus::TransferFailed); }, Qt::QueuedConnection);
        return;
    }
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_timer.start();
    QMetaObject::invokeMethod(this, [this] {
        if (!m_finished)
            m_socket.connectToHost(m_url.host(), quint16(m_url.port(80)),
                                   QIODevice::ReadWrite | QIODevice::Unbuffered);
    }, Qt::QueuedConnection);
}

void WebProbe::readReply(HttpReplyReader::State state)
{
    if (state == HttpReplyReader::State::NeedMore)
        return;
    const bool usable = WebProbeHttp::usable(m_reply);
    if (usable)
        m_body = m_reply.body();
    finish(usable ? int(DownloadStatus::Success) : int(DownloadStatus::TransferFailed));
}

void WebProbe::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    m_socket.disconnect(this);
    m_socket.abort();
    emit statusChanged(0, status);
}

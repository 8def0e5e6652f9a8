#include "discovery/webprobe.h"

#include "app/timing.h"
#include "download/downloadstatus.h"

#include <QNetworkProxy>

namespace WebProbeHttp {

namespace {

using State = Reply::State;

Reply failed()
{
    return {State::Failed, QByteArray()};
}

// Decodes a chunked body: complete with the data once the last chunk came.
Reply dechunk(const QByteArray &bytes, int replyLimit)
{
    Reply reply;
    int at = 0;
    for (;;) {
        const int lineEnd = bytes.indexOf("\r\n", at);
        if (lineEnd < 0)
            return reply;
        bool ok = false;
        const qlonglong size = bytes.mid(at, lineEnd - at).split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > replyLimit)
            return failed();
        if (size == 0) {
            reply.state = State::Complete;
            return reply;
        }
        at = lineEnd + 2;
        if (bytes.size() < at + size + 2)
            return reply;
        reply.body.append(bytes.mid(at, int(size)));
        at += int(size) + 2;
    }
}

}

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

Reply readReply(const QByteArray &received, bool closed, int replyLimit)
{
    if (received.size() > replyLimit)
        return failed();
    const int headerEnd = received.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return closed ? failed() : Reply();
    const QList<QByteArray> lines = received.left(headerEnd).split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    bool ok = false;
    const int status = statusLine.value(1).toInt(&ok);
    if (!statusLine.first().startsWith("HTTP/1.") || !ok || status < 200 || status >= 400)
        return failed();

    qlonglong length = -1;
    bool chunked = false;
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        const QByteArray name = lines.at(i).left(colon).trimmed().toLower();
        const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
        if (name == "content-length")
            length = value.toLongLong(&ok);
        else if (name == "transfer-encoding")
            chunked = value.toLower().contains("chunked");
        if (name == "content-length" && (!ok || length < 0 || length > replyLimit))
            return failed();
    }

    const QByteArray bytes = received.mid(headerEnd + 4);
    Reply reply;
    if (chunked) {
        reply = dechunk(bytes, replyLimit);
    } else if (length >= 0 || status == 204 || status == 304) {
        reply.body = bytes.left(int(qMax(0LL, length)));
        if (bytes.size() >= length)
            reply.state = State::Complete;
    } else {
        reply.body = bytes;
        if (closed)
            reply.state = State::Complete;
    }
    if (reply.state == State::Incomplete && closed)
        return failed();
    return reply;
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
        m_received.append(m_socket.read(m_socket.bytesAvailable()));
        readReply(false);
    });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { readReply(true); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            readReply(true);
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

void WebProbe::readReply(bool closed)
{
    const WebProbeHttp::Reply reply = WebProbeHttp::readReply(m_received, closed);
    if (reply.state == WebProbeHttp::Reply::State::Incomplete)
        return;
    m_body = reply.body;
    finish(reply.state == WebProbeHttp::Reply::State::Complete ? int(DownloadStatus::Success)
                                                               : int(DownloadStatus::TransferFailed));
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

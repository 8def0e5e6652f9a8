#include "lanupdate/directrequest.h"

#include "lanupdate/uploadbodydevice.h"

#include <QMetaObject>
#include <QNetworkProxy>

DirectRequest::DirectRequest(const LanUpdate::Request &request, QObject *parent)
    : QObject(parent)
    , m_request(request)
{
    m_socket.setProxy(QNetworkProxy::NoProxy); // displays are on the LAN, as for the control client
    connect(&m_socket, &QTcpSocket::connected, this, &DirectRequest::sendMore);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &DirectRequest::sendMore);
    connect(&m_socket, &QTcpSocket::readyRead, this, &DirectRequest::readReply);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &DirectRequest::socketError);
}

DirectRequest::~DirectRequest()
{
    abort();
}

bool DirectRequest::start()
{
    QByteArray head = m_request.method + ' ' + m_request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)
        + " HTTP/1.1\r\n";
    for (const auto &field : m_request.headers)
        head += field.first + ": " + field.second + "\r\n";
    head += "\r\n";
    if (!m_request.bodyFile.isEmpty()) {
        m_bodyDevice = std::make_unique<UploadBodyDevice>(m_request.body, m_request.bodyFile, m_request.bodyTail);
        if (!m_bodyDevice->open(QIODevice::ReadOnly))
            return false;
        m_bodyTotal = m_bodyDevice->size();
        m_request.body = head;
    } else {
        m_request.body = head + m_request.body;
    }
    // The head (and a small body) goes out with the first write.
    // Unbuffered: the socket hands writes straight to the system while it takes them.
    m_socket.connectToHost(m_request.url.host(), quint16(m_request.url.port(80)),
                           QIODevice::ReadWrite | QIODevice::Unbuffered);
    return true;
}

void DirectRequest::abort()
{
    m_done = true;
    m_socket.disconnect(this);
    m_socket.abort();
    m_bodyDevice.reset();
}

void DirectRequest::sendMore()
{
    if (m_done || m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    if (!m_request.body.isEmpty()) {
        m_socket.write(m_request.body);
        m_request.body.clear();
    }
    // A few pieces per turn of the event loop: enough to fill the connection,
    // never so much that the loop stalls or the file sits in memory.
    int pieces = 0;
    while (m_bodyDevice && m_bodySent < m_bodyTotal && m_socket.bytesToWrite() < kPieceSize && pieces < 4) {
        // One buffer for every piece: no allocation per piece.
        m_piece.resize(int(kPieceSize));
        const qint64 read = m_bodyDevice->read(m_piece.data(), qMin(kPieceSize, m_bodyTotal - m_bodySent));
        if (read <= 0) {
            finish(tr("The firmware file could not be read."));
            return;
        }
        m_socket.write(m_piece.constData(), read);
        m_bodySent += read;
        ++pieces;
    }
    if (pieces > 0)
        emit uploadProgress(m_bodySent, m_bodyTotal);
    if (m_bodyDevice && m_bodySent >= m_bodyTotal) {
        m_bodyDevice.reset();
    } else if (pieces == 4 && m_socket.bytesToWrite() == 0) {
        // The system took everything at once: go on after other events had their turn.
        QMetaObject::invokeMethod(this, &DirectRequest::sendMore, Qt::QueuedConnection);
    }
}

void DirectRequest::readReply()
{
    if (m_done)
        return;
    m_received += m_socket.readAll();
    if (m_received.size() > kMaxReplySize) {
        finish(tr("The reply is too large."));
        return;
    }
    // Unbuffered, a close by the display shows only in the state after a read.
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        socketError();
        return;
    }
    if ((m_headEnd >= 0 || parseHead()) && bodyComplete(false))
        finish();
}

// Status line and the headers that delimit the body; false while incomplete
// or when the head is not HTTP (then the exchange has finished).
bool DirectRequest::parseHead()
{
    for (;;) {
        const int end = m_received.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QList<QByteArray> lines = m_received.left(end).split('\n');
        const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
        bool ok = false;
        m_status = statusLine.value(1).toInt(&ok);
        if (!statusLine.first().startsWith("HTTP/1.") || !ok) {
            finish(tr("The reply is not HTTP."));
            return false;
        }
        if (m_status >= 100 && m_status < 200) { // an interim answer: the real one follows
            m_received.remove(0, end + 4);
            continue;
        }
        for (const QByteArray &line : lines.mid(1)) {
            const int colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                m_contentLength = value.toLongLong();
            else if (name == "transfer-encoding")
                m_chunked = value.toLower().contains("chunked");
        }
        m_headEnd = end + 4;
        return true;
    }
}

bool DirectRequest::bodyComplete(bool closed)
{
    const QByteArray rest = m_received.mid(m_headEnd);
    if (m_chunked) {
        QByteArray decoded;
        int at = 0;
        for (;;) {
            const int lineEnd = rest.indexOf("\r\n", at);
            if (lineEnd < 0)
                return false;
            bool ok = false;
            const int size = rest.mid(at, lineEnd - at).split(';').first().trimmed().toInt(&ok, 16);
            if (!ok || size < 0 || rest.size() < lineEnd + 2 + size + 2)
                return false;
            if (size == 0) {
                m_body = decoded;
                return true;
            }
            decoded += rest.mid(lineEnd + 2, size);
            at = lineEnd + 2 + size + 2;
        }
    }
    if (m_contentLength >= 0 && rest.size() >= m_contentLength) {
        m_body = rest.left(int(m_contentLength));
        return true;
    }
    if (m_contentLength < 0 && (closed || m_status == 204 || m_status == 304)) {
        m_body = rest;
        return true;
    }
    return false;
}

void DirectRequest::socketError()
{
    if (m_done)
        return;
    // A reply without a length ends where the display closes the connection.
    const bool closed = m_socket.error() == QAbstractSocket::RemoteHostClosedError
        || m_socket.state() != QAbstractSocket::ConnectedState;
    if (closed && (m_headEnd >= 0 || parseHead()) && bodyComplete(true)) {
        finish();
        return;
    }
    if (!m_done)
        finish(m_socket.error() == QAbstractSocket::UnknownSocketError ? tr("The display closed the connection.")
                                                                       : m_socket.errorString());
}

void DirectRequest::finish(const QString &error)
{
    if (m_done)
        return;
    m_error = error;
    abort();
    emit finished();
}

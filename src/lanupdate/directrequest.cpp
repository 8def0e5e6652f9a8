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
    const HttpReplyReader::State state = m_reply.feed(m_socket.readAll());
    if (state == HttpReplyReader::State::Complete)
        finish();
    else if (state == HttpReplyReader::State::Malformed)
        finish(m_reply.errorString());
    else if (m_socket.state() != QAbstractSocket::ConnectedState)
        socketError(); // unbuffered, a close by the display shows only in the state after a read
}

void DirectRequest::socketError()
{
    if (m_done)
        return;
    // A reply without a length ends where the display closes the connection.
    const QAbstractSocket::SocketError error = m_socket.error();
    if (m_reply.close() == HttpReplyReader::State::Complete)
        finish();
    else if (error == QAbstractSocket::RemoteHostClosedError || error == QAbstractSocket::UnknownSocketError)
        finish(m_reply.errorString());
    else
        finish(m_socket.errorString());
}

void DirectRequest::finish(const QString &error)
{
    if (m_done)
        return;
    m_error = error;
    abort();
    emit finished();
}

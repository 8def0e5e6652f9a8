#pragma once

#include "discovery/httpreplyreader.h"
#include "lanupdate/updaterequests.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include <memory>

// One HTTP/1.1 exchange with a display over a connection of its own: the
// request head goes out exactly as built (header names, values and order,
// nothing added), and a body with a firmware file is streamed from disk in
// large pieces as the connection takes them; the reply is read by an
// HttpReplyReader, so a malformed or oversized one is a transport error.
// Reports once with finished(), never from inside start(); the owner
// deletes it (deferred) afterwards.
class DirectRequest : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kPieceSize = 256 * 1024;

    explicit DirectRequest(const LanUpdate::Request &request, QObject *parent = nullptr);
    ~DirectRequest() override;

    // Connects and sends; false (nothing sent, no signal) when the body's file cannot be read.
    bool start();
    // Drops the exchange without a signal.
    void abort();

    // After finished(): a connection failure, reset or unreadable reply
    // (with its text), or else the display's answer.
    bool isTransportError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    int httpStatus() const { return m_reply.status(); }
    QByteArray body() const { return m_reply.body(); }

signals:
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void finished();

private:
    void sendMore();
    void readReply();
    void socketError();
    void finish(const QString &error = QString());

    LanUpdate::Request m_request;
    QTcpSocket m_socket;
    std::unique_ptr<QIODevice> m_bodyDevice;
    QByteArray m_piece;
    qint64 m_bodySent = 0;
    qint64 m_bodyTotal = 0;
    HttpReplyReader m_reply;
    QString m_error;
    bool m_done = false;
};

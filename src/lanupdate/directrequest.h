#pragma once

#include "lanupdate/updaterequests.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include <memory>

// One HTTP/1.1 exchange with a display over a connection of its own: the
// request head goes out exactly as built (header names, values and order,
// nothing added), and a body with a firmware file is streamed from disk in
// large pieces as the connection takes them. Reports once with finished(),
// never from inside start(); the owner deletes it (deferred) afterwards.
class DirectRequest : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kPieceSize = 256 * 1024;
    static constexpr qint64 kMaxReplySize = 1024 * 1024; // a display's replies are a few bytes

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
    int httpStatus() const { return m_status; }
    QByteArray body() const { return m_body; }

signals:
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void finished();

private:
    void sendMore();
    void readReply();
    bool parseHead();
    bool bodyComplete(bool closed);
    void socketError();
    void finish(const QString &error = QString());

    LanUpdate::Request m_request;
    QTcpSocket m_socket;
    std::unique_ptr<QIODevice> m_bodyDevice;
    QByteArray m_piece;
    qint64 m_bodySent = 0;
    qint64 m_bodyTotal = 0;
    QByteArray m_received;
    int m_headEnd = -1;
    int m_status = 0;
    qint64 m_contentLength = -1;
    bool m_chunked = false;
    QByteArray m_body;
    QString m_error;
    bool m_done = false;
};

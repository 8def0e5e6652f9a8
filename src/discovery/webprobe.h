#pragma once

#include "discovery/httpreplyreader.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

// One web probe of a display: a plain HTTP GET whose reply is read as it
// comes (a redirect is the answer, not followed), with the 5000 ms wait for
// a first response, which also limits any later pause. Ends every run with
// exactly one statusChanged, never from inside start(): 0 with the body in
// data(), or DownloadStatus::TransferFailed. One socket and no more, so that
// a thousand displays can be probed at once at little cost.
class WebProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFirstResponseTimeoutMs = 5000;

    explicit WebProbe(const QUrl &url, QObject *parent = nullptr);

    void start();
    QByteArray data() const { return m_body; }

signals:
    void statusChanged(int instance, int status);

private:
    void readReply(HttpReplyReader::State state);
    void finish(int status);

    QUrl m_url;
    QTcpSocket m_socket;
    QTimer m_timer;
    HttpReplyReader m_reply;
    QByteArray m_body;
    bool m_finished = false;
};

// The request and reply of a web probe as bytes, free of sockets.
namespace WebProbeHttp {

// "GET <path> HTTP/1.1" with Host and "Connection: close".
QByteArray request(const QUrl &url);

// A probe's answer is a complete page with a status below 400 (a redirect
// counts); errors, malformed and oversized replies are no usable answer.
bool usable(const HttpReplyReader &reply);

}

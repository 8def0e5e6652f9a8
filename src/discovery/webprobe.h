#pragma once

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
    // A longer reply (head and body) is no usable answer: the probes only
    // look at a page's text, and a display's pages are small.
    static constexpr int kReplyLimit = 1024 * 1024;

    explicit WebProbe(const QUrl &url, QObject *parent = nullptr);

    void start();
    QByteArray data() const { return m_body; }

signals:
    void statusChanged(int instance, int status);

private:
    void readReply(bool closed);
    void finish(int status);

    QUrl m_url;
    QTcpSocket m_socket;
    QTimer m_timer;
    QByteArray m_received;
    QByteArray m_body;
    bool m_finished = false;
};

// The request and reply of a web probe as bytes, free of sockets.
namespace WebProbeHttp {

// "GET <path> HTTP/1.1" with Host and "Connection: close".
QByteArray request(const QUrl &url);

struct Reply
{
    enum class State { Incomplete, Complete, Failed };
    State state = State::Incomplete;
    QByteArray body;
};
// Reads the bytes received so far; `closed`: the server has closed the
// connection. A status of 400 and above, a malformed reply, a body cut
// short and a reply of more than `replyLimit` bytes (or one announcing more)
// fail; a body without a length ends with the connection.
Reply readReply(const QByteArray &received, bool closed, int replyLimit = WebProbe::kReplyLimit);

}

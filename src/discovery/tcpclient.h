#pragma once

#include "discovery/controlexchange.h"
#include "discovery/displayprobes.h"
#include "discovery/pdtcpreply.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

class WebProbe;

// One control exchange with one display over its TCP control protocol: it
// connects, sends the commands that the request flags ask for one at a time
// (with the display's web probes as steps in between), and reports the
// result exactly once through device_results, on success and on every
// failure, and never from inside Start. The owner creates one client per
// exchange, sets the flags, starts it and deletes it (deferred) after the
// result; it is not reused.
class TcpClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kReplyTimeoutMs = 2000;

    explicit TcpClient(QObject *parent = nullptr);
    ~TcpClient() override;

    void SetRequestFlags(int flags);
    // Connects to address:port (7142) without a proxy; `ip2` is the display's
    // alternate address for TCP_REQ_VERIFY_IP2.
    void Start(const QHostAddress &address, quint16 port, const QHostAddress &ip2);


signals:
    void device_results(PD_TCP_REPLY reply);

private slots:
    void ConnectedHandle();
    void DisConnectedHandle();
    void SocketErrorHandle(QAbstractSocket::SocketError socketError);
    void ReadyReadHandle();
    void ReplyTimerTimeout();
    void ConnectTimerTimeout();
    void VerifyIP2ConnectivitystatusChangedIn(int instance, int status);
    void CheckLockStatusstatusChangedIn(int instance, int status);

private:
    void runStep();
    void startProbe(const QUrl &url, void (TcpClient::*resultSlot)(int, int));
    QByteArray takeProbeBody();
    void report();

    QTcpSocket m_socket;
    QTimer m_replyTimer;
    QTimer m_connectTimer;
    ControlExchange m_exchange;
    QPointer<WebProbe> m_probe;
    bool m_reported = false;
    bool m_starting = false; // inside Start: a result waits for the event loop
};

#include "discovery/tcpclient.h"

#include "app/timing.h"
#include "discovery/webprobe.h"

#include <QNetworkProxy>

TcpClient::TcpClient(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<PD_TCP_REPLY>("PD_TCP_REPLY");
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(Timing::scaled(kReplyTimeoutMs));
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(Timing::scaled(kConnectTimeoutMs));
    connect(&m_socket, &QTcpSocket::connected, this, &TcpClient::ConnectedHandle);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpClient::DisConnectedHandle);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpClient::SocketErrorHandle);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpClient::ReadyReadHandle);
    connect(&m_replyTimer, &QTimer::timeout, this, &TcpClient::ReplyTimerTimeout);
    connect(&m_connectTimer, &QTimer::timeout, this, &TcpClient::ConnectTimerTimeout);
}

TcpClient::~TcpClient()
{
    m_socket.disconnect(this);
    if (m_socket.isOpen())
        m_socket.close();
    if (m_probe) {
        m_probe->disconnect(this);
        m_probe->deleteLater();
    }
}

void TcpClient::SetRequestFlags(int flags)
{
    m_exchange.setRequestFlags(flags);
}

void TcpClient::Start(const QHostAddress &address, quint16 port, const QHostAddress &ip2)
{
    m_socket.setProxy(QNetworkProxy::NoProxy);
    m_exchange.begin(address, ip2);
    // An address that cannot be connected to fails inside connectToHost; the
    // caller counts the exchange only once Start returns, so such a result
    // goes out on the next turn of the event loop.
    m_starting = true;
    // Unbuffered: the packets are small, and the socket's own buffers would
    // cost tens of kilobytes per display of a large fleet.
    m_socket.connectToHost(address, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
    m_starting = false;
    if (m_reported)
        QMetaObject::invokeMethod(this, [this] { emit device_results(m_exchange.reply()); }, Qt::QueuedConnection);
    else
        m_connectTimer.start();
}

void TcpClient::ConnectedHandle()
{
    m_connectTimer.stop();
    if (m_reported)
        return;
    m_exchange.connected();
    runStep();
}

void TcpClient::DisConnectedHandle()
{
    // A closed connection shows as a socket error or a reply time-out.
}

void TcpClient::SocketErrorHandle(QAbstractSocket::SocketError socketError)
{
    Q_UNUSED(socketError)
    m_connectTimer.stop();
    if (m_reported)
        return;
    m_exchange.connectionFailed();
    report();
}

void TcpClient::ConnectTimerTimeout()
{
    if (m_reported)
        return;
    m_socket.abort();
    m_exchange.connectionFailed();
    report();
}

void TcpClient::ReadyReadHandle()
{
    const QByteArray bytes = m_socket.readAll();
    // Bytes that no command asked for (during a probe, after the end) mean nothing.
    if (m_reported || !m_exchange.awaitingReply() || bytes.isEmpty())
        return;
    switch (m_exchange.replyReceived(bytes)) {
    case ControlExchange::Outcome::Wait:
        return; // the reply timer still limits the wait for the rest
    case ControlExchange::Outcome::Continue:
        m_replyTimer.stop();
        runStep();
        return;
    case ControlExchange::Outcome::Stop:
        m_replyTimer.stop();
        report();
        return;
    }
}

void TcpClient::ReplyTimerTimeout()
{
    if (m_reported || !m_exchange.awaitingReply())
        return;
    if (m_exchange.replyTimedOut() == ControlExchange::Outcome::Stop)
        report();
    else
        runStep();
}

void TcpClient::runStep()
{
    const ControlExchange::Step step = m_exchange.next();
    switch (step.kind) {
    case ControlExchange::Step::Send:
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.write(step.packet);
        m_replyTimer.start();
        break;
    case ControlExchange::Step::ProbeAlternateAddress:
        startProbe(DisplayProbes::alternateAddressProbeUrl(m_exchange.address2()),
                   &TcpClient::VerifyIP2ConnectivitystatusChangedIn);
        break;
    case ControlExchange::Step::ProbeLock:
        startProbe(DisplayProbes::lockProbeUrl(m_exchange.reply().ipAddress),
                   &TcpClient::CheckLockStatusstatusChangedIn);
        break;
    case ControlExchange::Step::Finished:
        report();
        m_socket.disconnectFromHost();
        break;
    }
}

void TcpClient::startProbe(const QUrl &url, void (TcpClient::*resultSlot)(int, int))
{
    if (m_probe)
        m_probe->deleteLater();
    m_probe = DisplayProbes::createProbe(url, this);
    connect(m_probe, &WebProbe::statusChanged, this, resultSlot);
    m_probe->start();
}

QByteArray TcpClient::takeProbeBody()
{
    if (!m_probe)
        return QByteArray();
    const QByteArray body = m_probe->data();
    m_probe->disconnect(this);
    m_probe->deleteLater();
    m_probe = nullptr;
    return body;
}

void TcpClient::VerifyIP2ConnectivitystatusChangedIn(int instance, int status)
{
    Q_UNUSED(instance)
    const QByteArray body = takeProbeBody();
    if (m_reported)
        return;
    m_exchange.alternateAddressProbeFinished(status, body);
    runStep();
}

void TcpClient::CheckLockStatusstatusChangedIn(int instance, int status)
{
    Q_UNUSED(instance)
    const QByteArray body = takeProbeBody();
    if (m_reported)
        return;
    m_exchange.lockProbeFinished(status, body);
    runStep();
}

void TcpClient::report()
{
    m_reported = true;
    m_replyTimer.stop();
    m_connectTimer.stop();
    if (m_probe) {
        m_probe->disconnect(this);
        m_probe->deleteLater();
        m_probe = nullptr;
    }
    if (!m_starting)
        emit device_results(m_exchange.reply());
}

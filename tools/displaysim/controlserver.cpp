#include "displaysim/controlserver.h"

#include "simnet/eventlog.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

constexpr int kDefaultSplitPauseMs = 100;
constexpr int kMaxBufferedBytes = 4096;

QString typeName(char type)
{
    switch (type) {
    case ControlFrame::Type::Command: return QStringLiteral("command");
    case ControlFrame::Type::Get: return QStringLiteral("get");
    case ControlFrame::Type::Set: return QStringLiteral("set");
    default: return QString(QLatin1Char(type));
    }
}

QString faultName(CommandFault::Kind kind)
{
    switch (kind) {
    case CommandFault::Delay: return QStringLiteral("delay");
    case CommandFault::NoReply: return QStringLiteral("noReply");
    case CommandFault::Split: return QStringLiteral("split");
    case CommandFault::BadBlockCheck: return QStringLiteral("badChecksum");
    case CommandFault::AnswerBE: return QStringLiteral("BE");
    }
    return QString();
}

// Message texts are ASCII except raw asset data; keep the log readable.
QString printable(const QByteArray &bytes)
{
    QString s;
    for (char c : bytes)
        s += (c >= 0x20 && c < 0x7F) ? QString(QLatin1Char(c))
                                     : QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
    return s;
}

} // namespace

ControlServer::ControlServer(const DisplayConfig &config, DisplayState &state, const EventLog &log,
                             QObject *parent)
    : QObject(parent), m_config(config), m_state(state), m_log(log),
      m_faultUses(config.commandFaults.size(), 0)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ControlServer::accept);
    m_clock.start();
}

bool ControlServer::listen(quint16 port, QString *error)
{
    if (m_server.listen(m_config.address, port))
        return true;
    *error = QStringLiteral("TCP %1:%2: %3").arg(m_config.address.toString()).arg(port).arg(m_server.errorString());
    return false;
}

QJsonObject ControlServer::baseEvent() const
{
    return {{QStringLiteral("display"), m_config.address.toString()}};
}

void ControlServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer]() { readFrom(socket, *buffer); });
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("from"), QHostAddress(socket->peerAddress().toIPv4Address()).toString());
        m_log.write(QStringLiteral("tcpConnection"), e);
    }
}

void ControlServer::readFrom(QTcpSocket *socket, QByteArray &buffer)
{
    buffer += socket->readAll();
    for (;;) {
        ControlFrame::Frame frame;
        int consumed = 0;
        const ControlFrame::Decode result = ControlFrame::decode(buffer, &frame, &consumed);
        if (result == ControlFrame::Decode::Incomplete) {
            if (buffer.size() > kMaxBufferedBytes)
                buffer.clear();
            return;
        }
        const QByteArray raw = buffer.left(consumed);
        buffer.remove(0, consumed);
        if (result == ControlFrame::Decode::Ok) {
            answer(socket, frame);
            continue;
        }
        // A display ignores what it cannot read.
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("error"), result == ControlFrame::Decode::BadBlockCheck
                                              ? QStringLiteral("badChecksum") : QStringLiteral("malformed"));
        e.insert(QStringLiteral("bytes"), QString::fromLatin1(raw.toHex(' ')));
        m_log.write(QStringLiteral("tcpFrameError"), e);
    }
}

const CommandFault *ControlServer::takeFault(const QByteArray &message)
{
    for (int i = 0; i < m_config.commandFaults.size(); ++i) {
        const CommandFault &f = m_config.commandFaults.at(i);
        if (!f.matches(message) || (f.times >= 0 && m_faultUses.at(i) >= f.times))
            continue;
        ++m_faultUses[i];
        return &f;
    }
    return nullptr;
}

void ControlServer::answer(QTcpSocket *socket, const ControlFrame::Frame &request)
{
    const CommandFault *fault = takeFault(request.message);
    const DisplayState before = m_state;
    m_state.clockMs = m_clock.elapsed();
    ControlAnswer reply;
    if (fault && fault->kind == CommandFault::AnswerBE)
        reply = ControlAnswer{ControlFrame::replyTypeFor(request.type), QByteArrayLiteral("BE")};
    else if (!fault || fault->kind != CommandFault::NoReply)
        reply = answerRequest(m_config, m_state, request);

    QJsonObject e = baseEvent();
    e.insert(QStringLiteral("type"), typeName(request.type));
    e.insert(QStringLiteral("message"), printable(request.message));
    e.insert(QStringLiteral("reply"), printable(reply.message));
    if (fault)
        e.insert(QStringLiteral("fault"), faultName(fault->kind));
    m_log.write(QStringLiteral("tcpCommand"), e);
    logStateChanges(before, request, reply);

    if (fault && fault->kind == CommandFault::NoReply)
        return;
    QByteArray bytes = ControlFrame::encodeReply(m_config.displayId, reply.type, reply.message);
    if (fault && fault->kind == CommandFault::BadBlockCheck)
        bytes[bytes.size() - 2] = char(bytes.at(bytes.size() - 2) ^ 0x5A);
    QPointer<QTcpSocket> target(socket);
    if (fault && fault->kind == CommandFault::Delay) {
        QTimer::singleShot(fault->delayMs, this, [target, bytes]() {
            if (target)
                target->write(bytes);
        });
        return;
    }
    if (fault && fault->kind == CommandFault::Split) {
        const int half = int(bytes.size()) / 2;
        socket->write(bytes.left(half));
        const QByteArray rest = bytes.mid(half);
        QTimer::singleShot(fault->delayMs > 0 ? fault->delayMs : kDefaultSplitPauseMs, this, [target, rest]() {
            if (target)
                target->write(rest);
        });
        return;
    }
    socket->write(bytes);
}

void ControlServer::logStateChanges(const DisplayState &before, const ControlFrame::Frame &request,
                                    const ControlAnswer &reply)
{
    if (before.powerState != m_state.powerState) {
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("powerState"), m_state.powerState);
        e.insert(QStringLiteral("previous"), before.powerState);
        m_log.write(QStringLiteral("powerChanged"), e);
    }
    if (before.powerSaveMode != m_state.powerSaveMode) {
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("powerSaveMode"), m_state.powerSaveMode);
        e.insert(QStringLiteral("previous"), before.powerSaveMode);
        m_log.write(QStringLiteral("powerSaveChanged"), e);
    }
    if (before.updateProgress != m_state.updateProgress || before.uploadRequested != m_state.uploadRequested) {
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("updateProgress"), m_state.updateProgress);
        e.insert(QStringLiteral("uploadRequested"), m_state.uploadRequested);
        m_log.write(QStringLiteral("updateStateChanged"), e);
    }
    // The keyed update ends when the display reports 100 (done) or 208.
    const bool progressRead = request.type == ControlFrame::Type::Get && request.message == "1306"
                              && reply.message.size() == 16;
    const int reported = progressRead ? reply.message.right(4).toInt(nullptr, 16) : -1;
    const bool running = before.updateProgress <= 100;
    if (running && (reported == 100 || m_state.updateProgress == 208)) {
        const bool ok = reported == 100;
        if (ok)
            m_state.installNewFirmware(m_config);
        QJsonObject e = baseEvent();
        e.insert(QStringLiteral("dialect"), QStringLiteral("keyed"));
        e.insert(QStringLiteral("result"), ok ? QStringLiteral("success") : QStringLiteral("failed"));
        e.insert(QStringLiteral("firmware"), QString::fromUtf8(m_state.currentFirmware));
        m_log.write(QStringLiteral("updateResult"), e);
    }
}

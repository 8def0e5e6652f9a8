#include "displaysim/searchresponder.h"

#include "simnet/eventlog.h"

#include <QNetworkDatagram>

using namespace SearchDatagram;

namespace {

QString checkText(RequestCheck check)
{
    switch (check) {
    case RequestCheck::Ok: return QStringLiteral("ok");
    case RequestCheck::WrongSize: return QStringLiteral("wrongSize");
    case RequestCheck::WrongMagic: return QStringLiteral("wrongMagic");
    case RequestCheck::WrongHeader: return QStringLiteral("wrongHeader");
    }
    return QString();
}

} // namespace

SearchResponder::SearchResponder(const DisplayConfig &config, const DisplayState &state, const EventLog &log,
                                 QObject *parent)
    : QObject(parent), m_config(config), m_state(state), m_log(log)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, [this]() { readPending(m_socket, false); });
    connect(&m_broadcastSocket, &QUdpSocket::readyRead, this, [this]() { readPending(m_broadcastSocket, true); });
}

bool SearchResponder::bind(quint16 port, QString *error)
{
    // Shared binding, so that an application socket on 0.0.0.0:5320 of the
    // same machine can still bind, and so that every display of a segment
    // can hold the segment's broadcast address.
    const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    QUdpSocket *failed = nullptr;
    if (!m_socket.bind(m_config.address, port, mode))
        failed = &m_socket;
    else if (!m_config.broadcastAddress.isNull() && !m_broadcastSocket.bind(m_config.broadcastAddress, port, mode))
        failed = &m_broadcastSocket;
    if (!failed)
        return true;
    *error = QStringLiteral("UDP %1:%2: %3 (a socket on 0.0.0.0:%2 that was bound without address "
                            "sharing blocks every display address)")
                 .arg((failed == &m_socket ? m_config.address : m_config.broadcastAddress).toString())
                 .arg(port)
                 .arg(failed->errorString());
    return false;
}

bool SearchResponder::filterAccepts(const DisplayConfig &config, const Request &request)
{
    const bool a = request.filterA == 0 || (request.filterA & config.matchFlagsA & 0xFF) != 0;
    const bool b = request.filterB == 0 || (request.filterB & config.matchFlagsB) != 0;
    return a && b;
}

Reply SearchResponder::replyFor(const DisplayConfig &config, const DisplayState &state, const Request &request)
{
    Reply r;
    r.sequence = request.sequence;
    r.replyType = config.udpReplyType;
    r.identity = config.identity;
    r.mac = config.mac;
    r.modelName = config.modelName;
    r.matchFlagsA = config.matchFlagsA;
    r.matchFlagsB = config.matchFlagsB;
    r.statusByte = config.statusByte;
    r.seriesCode = quint8(config.seriesCode);
    r.address2 = config.address2.isNull() ? 0 : config.address2.toIPv4Address();
    r.fwVersions = state.fwVersions;
    r.currentFirmware = state.currentFirmware;
    return r;
}

QByteArray SearchResponder::faultyReply(const Request &request) const
{
    Reply reply = replyFor(m_config, m_state, request);
    switch (m_config.udpFault) {
    case UdpFault::WrongMagic: reply.magic = "KRWX"; break;
    case UdpFault::StaleSequence: reply.sequence = quint16(request.sequence - 1); break;
    default: break;
    }
    QByteArray bytes = encodeReply(reply);
    if (m_config.udpFault == UdpFault::WrongSize)
        bytes.chop(1);
    return bytes;
}

void SearchResponder::readPending(QUdpSocket &socket, bool broadcast)
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = socket.receiveDatagram();
        if (d.isValid())
            handle(d.data(), d.senderAddress(), quint16(d.senderPort()), broadcast);
    }
}

void SearchResponder::handle(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort,
                             bool broadcast)
{
    Request request;
    const RequestCheck check = parseRequest(datagram, &request);
    QJsonObject event{
        {QStringLiteral("display"), m_config.address.toString()},
        {QStringLiteral("from"), QHostAddress(sender.toIPv4Address()).toString()},
        {QStringLiteral("port"), senderPort},
        {QStringLiteral("size"), int(datagram.size())},
        {QStringLiteral("check"), checkText(check)},
        {QStringLiteral("broadcast"), broadcast},
    };
    if (check == RequestCheck::Ok) {
        event.insert(QStringLiteral("sequence"), request.sequence);
        event.insert(QStringLiteral("requestType"), qint64(request.requestType));
    }
    if (check == RequestCheck::Ok && request.requestType == kRequestAcknowledgement) {
        event.insert(QStringLiteral("expected"), m_ackPending);
        event.insert(QStringLiteral("matches"), m_ackPending && isAcknowledgementOf(datagram, m_awaitingAck));
        m_log.write(QStringLiteral("udpAcknowledgement"), event);
        return;
    }
    const bool searchType = request.requestType == kRequestBroadcast || request.requestType == kRequestTargeted;
    const bool answer = check == RequestCheck::Ok && searchType && filterAccepts(m_config, request)
                        && m_config.udpFault != UdpFault::Silent;
    if (check == RequestCheck::Ok) {
        event.insert(QStringLiteral("filterA"), qint64(request.filterA));
        event.insert(QStringLiteral("filterB"), qint64(request.filterB));
    }
    event.insert(QStringLiteral("answered"), answer);
    m_log.write(QStringLiteral("udpRequest"), event);
    if (!answer)
        return;
    if (m_config.udpReplyType == kReplyNeedsAcknowledgement) {
        m_awaitingAck = request;
        m_ackPending = true;
    }
    m_socket.writeDatagram(faultyReply(request), sender, senderPort);
}

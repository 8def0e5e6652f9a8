#include "discovery/displaysearchudp.h"

#include "app/timing.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QNetworkProxy>
#include <QUdpSocket>

#include <limits>

namespace {

// Pacing of targeted requests, so a long list does not flood the network.
constexpr int kDatagramsPerBatch = 11;
constexpr int kBatchPauseMs = 10;
// The repeat goes out on the third tick, the search ends on the fourth.
constexpr int kRepeatTick = 3;
constexpr int kLastTick = 4;

}

DisplaySearchUDP::DisplaySearchUDP(QObject *parent)
    : DisplaySearchUDP(DisplaySearchOptions(), parent)
{
}

DisplaySearchUDP::DisplaySearchUDP(const DisplaySearchOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_socket(new QUdpSocket(this))
    , m_sequence(quint16(QRandomGenerator::system()->generate()))
{
    qRegisterMetaType<DISPLAY_UDP_SEARCH_REPLY_INFO>("DISPLAY_UDP_SEARCH_REPLY_INFO");

    // A failed bind is not fatal: the first search then sends from a port
    // the system picks, like every later search does. The port is shared so
    // that display simulators on the same machine can bind it too.
    m_socket->setProxy(QNetworkProxy::NoProxy); // the search never leaves the LAN
    m_socket->bind(m_options.bindAddress, m_options.localPort,
                   QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    // A direct connection: the socket stops announcing datagrams while an
    // announcement is unanswered, and a queued call that finds the datagrams
    // already read leaves it in that state, so replies would pile up until
    // the next tick and overflow the receive buffer.
    connect(m_socket, &QUdpSocket::readyRead, this, &DisplaySearchUDP::UdpReadyRead);

    m_tickTimer.setTimerType(Qt::PreciseTimer);
    m_tickTimer.setInterval(Timing::scaled(m_options.tickIntervalMs));
    connect(&m_tickTimer, &QTimer::timeout, this, &DisplaySearchUDP::UdpSearchTimeoutTimerHandle);

    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseTimer, &QTimer::timeout, this, &DisplaySearchUDP::sendNextBatch);
}

DisplaySearchUDP::~DisplaySearchUDP()
{
    m_tickTimer.stop();
    m_pauseTimer.stop();
    m_socket->close();
}

void DisplaySearchUDP::SetFilterMode(int mode)
{
    m_filterMode = mode;
}

int DisplaySearchUDP::SetBroadcastAddressList(const QList<QHostAddress> &addresses)
{
    m_broadcastAddresses.clear();
    for (const QHostAddress &address : addresses) {
        if (!UdpSearch::hasIPv4Form(address))
            return -1;
        const QHostAddress plain = UdpSearch::plainIPv4(address);
        if (!m_broadcastAddresses.contains(plain))
            m_broadcastAddresses.append(plain);
    }
    return 0;
}

int DisplaySearchUDP::SetTargetAddressList(const QList<QHostAddress> &addresses)
{
    QList<QHostAddress> targets;
    targets.reserve(addresses.size());
    for (const QHostAddress &address : addresses) {
        if (!UdpSearch::hasIPv4Form(address))
            return -1;
        targets.append(UdpSearch::plainIPv4(address));
    }
    m_targetAddresses = targets;
    m_targetSet = QSet<QHostAddress>(targets.cbegin(), targets.cend());
    return 0;
}

int DisplaySearchUDP::StartSearch(int mode)
{
    const bool targeted = mode == SearchTargeted;
    const QList<QHostAddress> &destinations = targeted ? m_targetAddresses : m_broadcastAddresses;
    if (destinations.isEmpty())
        return NoDestinations;

    m_reported.clear();
    m_targetsReported = 0;
    ++m_sequence;
    const auto timeStamp = quint32(QDateTime::currentMSecsSinceEpoch());
    if (!UdpSearch::isValidFilterMode(m_filterMode))
        return NoFilterMode;

    m_searchMode = targeted ? SearchTargeted : SearchBroadcast;
    m_request = UdpSearch::buildRequest(
        m_sequence, timeStamp,
        targeted ? UdpSearch::RequestTargeted : UdpSearch::RequestBroadcast, m_filterMode);
    m_searching = true;
    m_tick = 1;
    beginRound(destinations, false);
    return Started;
}

void DisplaySearchUDP::beginRound(const QList<QHostAddress> &destinations, bool skipResponders)
{
    m_tickTimer.stop();
    m_pauseTimer.stop();
    m_round = destinations;
    m_roundNext = 0;
    m_roundSent = 0;
    m_roundPaced = m_searchMode == SearchTargeted;
    m_roundSkipsResponders = skipResponders;
    m_roundClock.start();
    sendNextBatch();
}

void DisplaySearchUDP::sendNextBatch()
{
    // A paced round keeps to its schedule of one batch per pause even when
    // the event loop comes back late: it sends every batch that is due by
    // now, so a busy window delays single batches but not the whole round.
    const qint64 due = m_roundPaced
        ? (m_roundClock.elapsed() / kBatchPauseMs + 1) * kDatagramsPerBatch
        : std::numeric_limits<qint64>::max();
    while (m_roundNext < m_round.size()) {
        if (m_roundSent >= due) {
            m_pauseTimer.start(int(kBatchPauseMs - m_roundClock.elapsed() % kBatchPauseMs));
            return;
        }
        const QHostAddress &address = m_round.at(m_roundNext++);
        if (m_roundSkipsResponders && m_responders.contains(address))
            continue;
        sendTo(m_request, address);
        ++m_roundSent;
    }
    m_round.clear();
    m_tickTimer.start();
    emit requestsSent(m_roundSent);
}

void DisplaySearchUDP::sendTo(const QByteArray &datagram, const QHostAddress &address)
{
    // Results are ignored: a display that misses a request gets the repeat.
    m_socket->writeDatagram(datagram, address, m_options.displayPort);
}

void DisplaySearchUDP::UdpSearchTimeoutTimerHandle()
{
    UdpReadyRead();
    if (!m_searching)
        return;
    if (m_tick >= kLastTick) {
        finishSearch();
        return;
    }
    if (m_tick++ == kRepeatTick) {
        // Broadcasts are repeated whole; a targeted search asks again only
        // the addresses that have not answered.
        const bool targeted = m_searchMode == SearchTargeted;
        beginRound(targeted ? m_targetAddresses : m_broadcastAddresses, targeted);
    }
}

void DisplaySearchUDP::UdpReadyRead()
{
    // A slot of device_results or finished may have closed the socket.
    while (m_socket->state() == QAbstractSocket::BoundState && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        const QHostAddress sender = UdpSearch::plainIPv4(datagram.senderAddress());
        m_responders.insert(sender);
        // Replies outside a search (before the first one) are stale.
        if (m_searching && datagram.data().size() == UdpSearch::kReplySize)
            handleReply(datagram.data(), sender);
    }
}

void DisplaySearchUDP::handleReply(const QByteArray &reply, const QHostAddress &sender)
{
    const bool senderIsTarget = m_targetSet.contains(sender);
    const UdpSearch::ReplyVerdict verdict =
        UdpSearch::classifyReply(reply, m_sequence, m_filterMode, senderIsTarget);
    if (verdict == UdpSearch::ReplyVerdict::Dropped)
        return;
    // Every type-2 reply is acknowledged, repeats included, or the display
    // keeps answering.
    if (verdict == UdpSearch::ReplyVerdict::AcceptedAcknowledgementDue)
        sendTo(UdpSearch::buildAcknowledgement(m_request), sender);
    if (!UdpSearch::hasListableStatus(reply) || m_reported.contains(sender))
        return;

    m_reported.insert(sender);
    if (senderIsTarget)
        ++m_targetsReported;
    emit device_results(UdpSearch::parseReply(reply, sender));

    if (m_searching && m_searchMode == SearchTargeted
        && m_targetsReported == m_targetAddresses.size())
        finishSearch();
}

void DisplaySearchUDP::finishSearch()
{
    m_tickTimer.stop();
    m_pauseTimer.stop();
    m_round.clear();
    m_searching = false;
    m_socket->close();
    emit finished();
}

#pragma once

#include "simprotocol/controlresponder.h"
#include "simprotocol/searchdatagram.h"

#include <QObject>
#include <QUdpSocket>

class EventLog;

// The display's search service on UDP port 5320: answers each valid search
// request with its 256-byte reply (or a faulty one, as configured) and
// records the acknowledgement a client sends after a reply of type 2.
// Requests sent to the display's broadcast address (when it has one) arrive
// on a second socket; every reply leaves from the display's own address.
class SearchResponder : public QObject
{
    Q_OBJECT

public:
    SearchResponder(const DisplayConfig &config, const DisplayState &state, const EventLog &log,
                    QObject *parent = nullptr);

    bool bind(quint16 port, QString *error);
    // The reply this display sends to `request` (before any fault is
    // applied).
    static SearchDatagram::Reply replyFor(const DisplayConfig &config, const DisplayState &state,
                                          const SearchDatagram::Request &request);
    static bool filterAccepts(const DisplayConfig &config, const SearchDatagram::Request &request);

private:
    void readPending(QUdpSocket &socket, bool broadcast);
    void handle(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort, bool broadcast);
    QByteArray faultyReply(const SearchDatagram::Request &request) const;

    const DisplayConfig &m_config;
    const DisplayState &m_state;
    const EventLog &m_log;
    QUdpSocket m_socket;
    QUdpSocket m_broadcastSocket;
    SearchDatagram::Request m_awaitingAck;
    bool m_ackPending = false;
};

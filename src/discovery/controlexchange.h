#pragma once

#include "discovery/pdtcpreply.h"

#include <QByteArray>
#include <QHostAddress>

// The course of one control exchange with one display, without sockets:
// which request comes next for the remaining request flags, what each reply
// means for the result record, and how a silent or refusing display is
// worked around. TcpClient feeds it the socket's bytes, time-outs and probe
// results and carries out the steps it returns.
class ControlExchange
{
public:
    struct Step
    {
        enum Kind {
            Send,                  // write `packet` and wait for its reply
            ProbeAlternateAddress, // GET the display's IP address 2
            ProbeLock,             // GET the display's start page
            Finished,              // nothing left: report the record
        };
        Kind kind = Finished;
        QByteArray packet;
    };

    enum class Outcome {
        Continue, // take the next step
        Wait,     // part of a reply has arrived; keep waiting for the rest
        Stop,     // the exchange has failed; tcpStatus holds why
    };

    // A command answered by replies that complete nothing is not sent more
    // often than this; then it is skipped as if it had not been answered.
    static constexpr int kMaxSendsOfOneRequest = 4;

    void setRequestFlags(int flags);
    // The display's address and IP address 2, at the start of the exchange.
    void begin(const QHostAddress &address, const QHostAddress &address2);
    // The connection is made: the read state starts afresh.
    void connected();

    // The next step for the remaining flags; a Send or probe stays in flight
    // until its reply, time-out or result.
    Step next();
    bool awaitingReply() const;

    Outcome replyReceived(const QByteArray &bytes);
    Outcome replyTimedOut();
    void lockProbeFinished(int downloaderStatus, const QByteArray &body);
    void alternateAddressProbeFinished(int downloaderStatus, const QByteArray &body);
    void connectionFailed();

    const PD_TCP_REPLY &reply() const { return m_reply; }
    QHostAddress address2() const { return m_address2; }
    int remainingFlags() const { return m_remaining; }

private:
    QByteArray requestPacket(int flag) const;
    int interpret(char type, const QByteArray &message);
    int interpretCommandReply(const QByteArray &message);
    int interpretPowerSwitchReply(const QByteArray &message);
    int interpretFirmwareText(const QByteArray &rest);
    void interpretPowerSaveReply(const QByteArray &rest);
    // Power-save mode that the request in flight sets (off for anything else).
    int modeBeingSet() const;
    int interpretParameterReply(char type, const QByteArray &message);
    Outcome settle(int code);
    void clear(int flags) { m_remaining &= ~flags; }

    PD_TCP_REPLY m_reply;
    QHostAddress m_address2;
    int m_remaining = 0;
    int m_inFlight = 0;
    int m_versionIndex = 0;
    int m_assetOffset = 0;
    int m_retries = 0;
    QByteArray m_pendingReply;
    QByteArray m_lastPacket;
    int m_sendsOfLastPacket = 0;
};

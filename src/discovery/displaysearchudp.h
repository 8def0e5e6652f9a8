#pragma once

#include "discovery/searchdatagrams.h"
#include "discovery/udpsearchreplyinfo.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

class QUdpSocket;

// Where the search socket lives and how fast a search runs. The defaults
// are the protocol's; tests point them at loopback ports and shorter ticks.
struct DisplaySearchOptions
{
    QHostAddress bindAddress{QHostAddress::AnyIPv4};
    quint16 localPort = UdpSearch::kSearchPort;
    quint16 displayPort = UdpSearch::kSearchPort;
    int tickIntervalMs = 1000;
};

// Finds displays with the UDP search protocol. A search sends the request to
// every destination of its list, sends it again on the third tick, and ends
// on the fourth tick with finished(); each new display that answers in
// between is reported at once with device_results(). A targeted search ends
// early once every targeted address has answered.
//
// The socket is bound to the search port when the object is created and
// closed at the end of each search; later searches send through it unbound,
// so the system gives it a free port and replies arrive there.
//
// Targeted searches may send thousands of requests; they go out in batches
// of eleven every 10 ms, driven by a timer so the event loop never blocks,
// and keep that schedule when the loop is busy. The search ticks count from
// the end of a sending round.
class DisplaySearchUDP : public QObject
{
    Q_OBJECT

public:
    enum SearchMode { SearchBroadcast = 0, SearchTargeted = 1 };
    enum StartResult { Started = 0, NoDestinations = -2, NoFilterMode = -3 };

    explicit DisplaySearchUDP(QObject *parent = nullptr);
    explicit DisplaySearchUDP(const DisplaySearchOptions &options, QObject *parent = nullptr);
    ~DisplaySearchUDP() override;

    // Filter mode 1..3 (UdpSearch::FilterMode); until set, no search starts.
    void SetFilterMode(int mode);
    // Replaces the broadcast destinations, dropping repeats. Stops with -1 at
    // the first address without an IPv4 form (those before it stay), else 0.
    int SetBroadcastAddressList(const QList<QHostAddress> &addresses);
    // Replaces the targeted destinations (repeats kept) and returns 0, or
    // returns -1 and keeps the old list if any address has no IPv4 form.
    int SetTargetAddressList(const QList<QHostAddress> &addresses);
    // Starts a search (SearchMode); returns a StartResult. A running search
    // is restarted: its later replies fail the sequence check.
    int StartSearch(int mode);

    bool isSearching() const { return m_searching; }

signals:
    void device_results(DISPLAY_UDP_SEARCH_REPLY_INFO info);
    void finished();
    // One sending round (the first requests, or the repeat) has gone out.
    void requestsSent(int datagrams);

private slots:
    void UdpReadyRead();
    void UdpSearchTimeoutTimerHandle();
    void sendNextBatch();

private:
    void beginRound(const QList<QHostAddress> &destinations, bool skipResponders);
    void handleReply(const QByteArray &reply, const QHostAddress &sender);
    void sendTo(const QByteArray &datagram, const QHostAddress &address);
    void finishSearch();

    const DisplaySearchOptions m_options;
    QUdpSocket *m_socket;
    QTimer m_tickTimer;
    QTimer m_pauseTimer;

    int m_filterMode = UdpSearch::FilterUnset;
    QList<QHostAddress> m_broadcastAddresses;
    QList<QHostAddress> m_targetAddresses;
    QSet<QHostAddress> m_targetSet;

    QByteArray m_request;
    quint16 m_sequence;
    int m_searchMode = SearchBroadcast;
    bool m_searching = false;
    int m_tick = 0;

    // Senders reported in the current search, and how many of them were
    // targeted addresses (only those count towards the early end).
    QSet<QHostAddress> m_reported;
    int m_targetsReported = 0;
    // Every sender of any datagram in the object's life.
    QSet<QHostAddress> m_responders;

    // The sending round in progress.
    QList<QHostAddress> m_round;
    int m_roundNext = 0;
    int m_roundSent = 0;
    QElapsedTimer m_roundClock;
    bool m_roundPaced = false;
    bool m_roundSkipsResponders = false;
};

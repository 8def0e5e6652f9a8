#include "discovery/displaysearchudp.h"

#include "scripteddisplay.h"
#include "searchreplybytes.h"
#include "simulatorprocess.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

// The search over real sockets on loopback. Displays live on 127.53.<block>.x:
// scripted ones inside this process where a test needs exact bytes, the
// display simulator where a fleet behaves as real displays do. Most tests
// run with short ticks; the timing test keeps the real one-second tick.
namespace {

constexpr int kFastTickMs = 150;
// Generous bound for waiting on a whole search (four ticks and sending).
constexpr int kSearchWaitMs = 8000;

// This test program's own loopback block, chosen by process id so that two
// builds running the suite at once do not collide.
int addressBlock()
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return block;
}

QHostAddress displayAddress(int n)
{
    return QHostAddress(QStringLiteral("127.53.%1.%2").arg(addressBlock()).arg(n));
}

DisplaySearchOptions fastOptions(quint16 localPort = 0)
{
    DisplaySearchOptions options;
    options.localPort = localPort;
    options.tickIntervalMs = kFastTickMs;
    return options;
}

QList<DISPLAY_UDP_SEARCH_REPLY_INFO> records(const QSignalSpy &spy)
{
    QList<DISPLAY_UDP_SEARCH_REPLY_INFO> list;
    for (const QList<QVariant> &arguments : spy)
        list.append(arguments.at(0).value<DISPLAY_UDP_SEARCH_REPLY_INFO>());
    return list;
}

// Scripts: what a display sends for each request.
ScriptedDisplay::Script replyWith(std::function<QByteArray(quint16 sequence)> reply, int copies = 1)
{
    return [reply, copies](quint16 sequence, int) {
        QList<QByteArray> replies;
        for (int i = 0; i < copies; ++i)
            replies << reply(sequence);
        return replies;
    };
}

QByteArray typeTwo(quint16 sequence)
{
    return SearchReplyBytes(sequence).text(96, "SCRIPTED-1");
}

QJsonObject simDisplay(int n, const QString &model, int replyType = 8)
{
    return QJsonObject{{QStringLiteral("address"), displayAddress(n).toString()},
                       {QStringLiteral("modelName"), model},
                       {QStringLiteral("serialNumber"), QStringLiteral("5300000%1").arg(n)},
                       {QStringLiteral("macAddress"), QStringLiteral("00-1A-2B-3C-4D-%1").arg(n, 2, 10, QLatin1Char('0'))},
                       {QStringLiteral("udpReplyType"), replyType}};
}

QJsonObject silentSimDisplay(int n)
{
    QJsonObject display = simDisplay(n, QStringLiteral("SILENT"));
    display.insert(QStringLiteral("faults"), QJsonObject{{QStringLiteral("udp"), QStringLiteral("silent")}});
    return display;
}

int requestsTo(const SimulatorProcess &sim, const QHostAddress &display)
{
    int count = 0;
    const QList<QJsonObject> events = sim.events(QStringLiteral("udpRequest"));
    for (const QJsonObject &event : events)
        count += event.value(QStringLiteral("display")).toString() == display.toString();
    return count;
}

// Tells whether a search ended on the spot when a reply came in (the early
// end of a targeted search) rather than on a later tick: the end must come
// before the event loop turns again after the last record.
class EarlyEndProbe
{
public:
    explicit EarlyEndProbe(DisplaySearchUDP *search)
    {
        QObject::connect(search, &DisplaySearchUDP::device_results, &m_context, [this] {
            m_sameTurn = true;
            QTimer::singleShot(0, &m_context, [this] { m_sameTurn = false; });
        });
        QObject::connect(search, &DisplaySearchUDP::finished, &m_context,
                         [this] { m_endedOnReply = m_sameTurn; });
    }
    bool endedOnReply() const { return m_endedOnReply; }

private:
    QObject m_context;
    bool m_sameTurn = false;
    bool m_endedOnReply = false;
};

}

class tst_DisplaySearchUDP : public QObject
{
    Q_OBJECT

private slots:
    void startResults();
    void broadcastListDropsRepeatsAndStopsAtBadAddress();
    void targetListRejectsAddressesWithoutIPv4Form_data();
    void targetListRejectsAddressesWithoutIPv4Form();
    void repeatedReplyGivesOneRecordAndIsAcknowledgedEachTime();
    void statusAbove100IsAcknowledgedButNotReported();
    void oddSizedReplyCountsAsAnswer_data();
    void oddSizedReplyCountsAsAnswer();
    void displayAnsweringOnlyTheRepeatIsFound();
    void foreignRepliesDoNotEndATargetedSearchEarly();
    void firstSearchSendsFromTheBoundPort();

    void simulatorTargetedSearchFindsEveryDisplayOnce();
    void simulatorRepeatGoesOnlyToSilentDisplaysAtThirdSecond();
    void simulatorDuplicateTargetLastsTheFullSearch();
    void simulatorBurstOfRepliesIsReadAsItArrives();
};

void tst_DisplaySearchUDP::startResults()
{
    DisplaySearchUDP search(fastOptions());
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchBroadcast), -2);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), -2);

    QCOMPARE(search.SetTargetAddressList({displayAddress(40)}), 0);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchBroadcast), -2);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), -3);
    QVERIFY(!search.isSearching());

    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(search.isSearching());
    QVERIFY(finished.wait(kSearchWaitMs));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!search.isSearching());
}

void tst_DisplaySearchUDP::broadcastListDropsRepeatsAndStopsAtBadAddress()
{
    ScriptedDisplay a(displayAddress(2));
    ScriptedDisplay b(displayAddress(3));
    QVERIFY(a.isBound() && b.isBound());

    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetBroadcastAddressList({a.address(), a.address(),
                                             QHostAddress(QStringLiteral("::ffff:") + displayAddress(2).toString()),
                                             QHostAddress(QStringLiteral("0.0.0.0")), b.address()}),
             -1);
    QSignalSpy sent(&search, &DisplaySearchUDP::requestsSent);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchBroadcast), 0);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toInt(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(a.requests().size(), 1, 2000);
    const QByteArray request = a.requests().at(0).data();
    QCOMPARE(request.size(), 128);
    QCOMPARE(request.mid(16, 4).toHex(), QByteArray("02000000"));
    QCOMPARE(request.mid(28, 4).toHex(), QByteArray("00010000"));
    QVERIFY(b.requests().isEmpty());
}

void tst_DisplaySearchUDP::targetListRejectsAddressesWithoutIPv4Form_data()
{
    QTest::addColumn<QString>("bad");
    QTest::newRow("0.0.0.0") << QStringLiteral("0.0.0.0");
    QTest::newRow("IPv6") << QStringLiteral("::1");
    QTest::newRow("null") << QString();
}

void tst_DisplaySearchUDP::targetListRejectsAddressesWithoutIPv4Form()
{
    QFETCH(QString, bad);
    ScriptedDisplay kept(displayAddress(4));
    ScriptedDisplay offered(displayAddress(5));
    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({kept.address()}), 0);
    QCOMPARE(search.SetTargetAddressList({offered.address(), QHostAddress(bad)}), -1);

    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QTRY_COMPARE_WITH_TIMEOUT(kept.requests().size(), 1, 2000);
    QCOMPARE(kept.requests().at(0).data().mid(16, 4).toHex(), QByteArray("03000000"));
    QVERIFY(offered.requests().isEmpty());
}

void tst_DisplaySearchUDP::repeatedReplyGivesOneRecordAndIsAcknowledgedEachTime()
{
    // A broadcast search, so that no early end closes the socket between the
    // two replies.
    ScriptedDisplay display(displayAddress(6), replyWith(typeTwo, 2));
    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetBroadcastAddressList({display.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchBroadcast), 0);
    QVERIFY(finished.wait(kSearchWaitMs));

    // Both requests (first and repeat) were answered twice: four acks.
    QCOMPARE(display.requests().size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(display.acknowledgements().size(), 4, 2000);
    const QByteArray request = display.requests().at(0).data();
    QByteArray expectedAck = request;
    expectedAck.replace(16, 4, QByteArray::fromHex("05000000"));
    expectedAck.append(128, '\0');
    QCOMPARE(display.acknowledgements().at(0).data().toHex(), expectedAck.toHex());
    QCOMPARE(display.acknowledgements().at(0).destinationPort(), 5320);

    QCOMPARE(results.count(), 1);
    const DISPLAY_UDP_SEARCH_REPLY_INFO info = records(results).at(0);
    QCOMPARE(info.ipAddress, display.address());
    QCOMPARE(info.ipAddress.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(info.modelName, QStringLiteral("SCRIPTED-1"));
    QCOMPARE(info.statusChar, 1);
}

void tst_DisplaySearchUDP::statusAbove100IsAcknowledgedButNotReported()
{
    ScriptedDisplay display(displayAddress(7), replyWith([](quint16 sequence) {
        return SearchReplyBytes(sequence).status(101).bytes();
    }));
    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({display.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    QCOMPARE(results.count(), 0);
    QCOMPARE(display.acknowledgements().size(), 1);
    // It answered, so the repeat skipped it.
    QCOMPARE(display.requests().size(), 1);
}

void tst_DisplaySearchUDP::oddSizedReplyCountsAsAnswer_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("255 bytes") << 255;
    QTest::newRow("257 bytes") << 257;
    QTest::newRow("empty") << 0;
}

void tst_DisplaySearchUDP::oddSizedReplyCountsAsAnswer()
{
    QFETCH(int, size);
    ScriptedDisplay odd(displayAddress(8), replyWith([size](quint16 sequence) {
        return SearchReplyBytes(sequence).type(8).resize(size).bytes();
    }));
    ScriptedDisplay silent(displayAddress(9));
    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({odd.address(), silent.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    QCOMPARE(results.count(), 0);
    QCOMPARE(odd.requests().size(), 1);
    QCOMPARE(silent.requests().size(), 2);
}

void tst_DisplaySearchUDP::displayAnsweringOnlyTheRepeatIsFound()
{
    ScriptedDisplay late(displayAddress(10), [](quint16 sequence, int requestNumber) {
        return requestNumber == 2 ? QList<QByteArray>{SearchReplyBytes(sequence).type(8).bytes()}
                                  : QList<QByteArray>{};
    });
    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({late.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    EarlyEndProbe probe(&search);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    // Found on the repeat, and the search ended there.
    QCOMPARE(results.count(), 1);
    QCOMPARE(late.requests().size(), 2);
    QVERIFY(probe.endedOnReply());
}

void tst_DisplaySearchUDP::foreignRepliesDoNotEndATargetedSearchEarly()
{
    // Two targets, one of them silent. When the other is asked, a display
    // that was not (as one behind a directed broadcast address in the list)
    // answers too. That makes as many records as targets, but not every
    // target has answered: the search must go on and repeat to the silent one.
    ScriptedDisplay asked(displayAddress(11), replyWith([](quint16 sequence) {
        return SearchReplyBytes(sequence).type(8).bytes();
    }));
    ScriptedDisplay silent(displayAddress(12));
    ScriptedDisplay stranger(displayAddress(14));
    connect(&asked, &ScriptedDisplay::requestReceived, &stranger, [&asked, &stranger] {
        const QNetworkDatagram request = asked.requests().constLast();
        const quint16 sequence = qFromLittleEndian<quint16>(request.data().constData() + 8);
        stranger.send(SearchReplyBytes(sequence), request.senderAddress(),
                      quint16(request.senderPort()));
    });

    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({asked.address(), silent.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    EarlyEndProbe probe(&search);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    QVERIFY(!probe.endedOnReply());
    QCOMPARE(results.count(), 2);
    QCOMPARE(silent.requests().size(), 2);
    QCOMPARE(stranger.acknowledgements().size(), 1);
}

void tst_DisplaySearchUDP::firstSearchSendsFromTheBoundPort()
{
    const quint16 localPort = quint16(45000 + addressBlock());
    ScriptedDisplay display(displayAddress(13), replyWith([](quint16 sequence) {
        return SearchReplyBytes(sequence).type(8).bytes();
    }));
    DisplaySearchUDP search(fastOptions(localPort));
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({display.address()}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);

    for (int round = 0; round < 2; ++round) {
        QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
        QVERIFY(finished.wait(kSearchWaitMs));
    }
    QCOMPARE(display.requests().size(), 2);
    QCOMPARE(display.requests().at(0).senderPort(), int(localPort));
    QVERIFY(display.requests().at(1).senderPort() != int(localPort));
    // The later search still reads its replies from the implicitly bound
    // (dual-stack) port, and reports the sender as a plain IPv4 address.
    QCOMPARE(results.count(), 2);
    const QHostAddress secondSender = records(results).at(1).ipAddress;
    QCOMPARE(secondSender, display.address());
    QCOMPARE(secondSender.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(finished.count(), 2);
    const quint16 first = qFromLittleEndian<quint16>(display.requests().at(0).data().constData() + 8);
    const quint16 second = qFromLittleEndian<quint16>(display.requests().at(1).data().constData() + 8);
    QCOMPARE(quint16(first + 1), second);
}

void tst_DisplaySearchUDP::simulatorTargetedSearchFindsEveryDisplayOnce()
{
    SimulatorProcess sim;
    QJsonArray fleet;
    QList<QHostAddress> targets;
    for (int n = 20; n < 26; ++n) {
        // Every other display asks for an acknowledgement.
        fleet.append(simDisplay(n, QStringLiteral("MODEL-%1").arg(n), n % 2 ? 8 : 2));
        targets.append(displayAddress(n));
    }
    QVERIFY2(sim.start(fleet), qPrintable(sim.errorString()));

    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList(targets), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    EarlyEndProbe probe(&search);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    QVERIFY(probe.endedOnReply());

    QSet<QString> found;
    for (const DISPLAY_UDP_SEARCH_REPLY_INFO &info : records(results)) {
        const int n = int(info.ipAddress.toIPv4Address() & 0xFF);
        QCOMPARE(info.modelName, QStringLiteral("MODEL-%1").arg(n));
        QCOMPARE(info.macAddress, QStringLiteral("00-1A-2B-3C-4D-%1").arg(n, 2, 10, QLatin1Char('0')));
        found.insert(info.ipAddress.toString());
    }
    QCOMPARE(results.count(), targets.size());
    QCOMPARE(found.size(), targets.size());

    for (int n = 20; n < 26; n += 2) {
        QVERIFY2(sim.waitForEvent(QStringLiteral("udpAcknowledgement"),
                                  {{QStringLiteral("display"), displayAddress(n).toString()},
                                   {QStringLiteral("matches"), true}}),
                 qPrintable(displayAddress(n).toString()));
    }
    QCOMPARE(sim.events(QStringLiteral("udpAcknowledgement")).size(), 3);
    for (const QHostAddress &target : std::as_const(targets))
        QCOMPARE(requestsTo(sim, target), 1);
}

void tst_DisplaySearchUDP::simulatorRepeatGoesOnlyToSilentDisplaysAtThirdSecond()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(QJsonArray{simDisplay(30, QStringLiteral("TALKER")), silentSimDisplay(31)}),
             qPrintable(sim.errorString()));

    // The real one-second tick: the repeat at about 3 s, the end at about 4 s.
    DisplaySearchOptions options;
    options.localPort = 0;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({displayAddress(30), displayAddress(31)}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);

    QElapsedTimer clock;
    qint64 repeatAt = -1;
    connect(&sim, &ToolProcess::eventReceived, this, [&](const QJsonObject &event) {
        if (ToolProcess::matches(event, QStringLiteral("udpRequest"),
                                 {{QStringLiteral("display"), displayAddress(31).toString()}})
            && requestsTo(sim, displayAddress(31)) == 2)
            repeatAt = clock.elapsed();
    });
    clock.start();
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    const qint64 finishedAt = clock.elapsed();

    QCOMPARE(results.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(requestsTo(sim, displayAddress(31)), 2, 2000);
    QCOMPARE(requestsTo(sim, displayAddress(30)), 1);
    QVERIFY2(repeatAt >= 2800 && repeatAt < 3700, qPrintable(QString::number(repeatAt)));
    QVERIFY2(finishedAt >= 3800 && finishedAt < 4700, qPrintable(QString::number(finishedAt)));
}

void tst_DisplaySearchUDP::simulatorDuplicateTargetLastsTheFullSearch()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(QJsonArray{simDisplay(40, QStringLiteral("A")), simDisplay(41, QStringLiteral("B"))}),
             qPrintable(sim.errorString()));

    DisplaySearchUDP search(fastOptions());
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList({displayAddress(40), displayAddress(40), displayAddress(41)}), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    EarlyEndProbe probe(&search);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY(finished.wait(kSearchWaitMs));
    QVERIFY(!probe.endedOnReply());
    QVERIFY2(clock.elapsed() >= 4 * kFastTickMs - 20, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(results.count(), 2);
    // Listed twice, asked twice; answered, so not asked again.
    QCOMPARE(requestsTo(sim, displayAddress(40)), 2);
    QCOMPARE(requestsTo(sim, displayAddress(41)), 1);
}

void tst_DisplaySearchUDP::simulatorBurstOfRepliesIsReadAsItArrives()
{
    // Replies must be read as they arrive, not left to the next tick: a tick
    // far in the future means every reply is read on announcement, or the
    // search cannot end early in time.
    constexpr int kDisplays = 300;
    QJsonArray fleet;
    QList<QHostAddress> targets;
    for (int i = 0; i < kDisplays; ++i) {
        const QHostAddress address(
            QStringLiteral("127.%1.%2.%3").arg(54 + i / 200).arg(addressBlock()).arg(1 + i % 200));
        fleet.append(QJsonObject{{QStringLiteral("address"), address.toString()},
                                 {QStringLiteral("modelName"), QStringLiteral("BURST")}});
        targets.append(address);
    }
    SimulatorProcess sim;
    QVERIFY2(sim.start(fleet), qPrintable(sim.errorString()));

    DisplaySearchOptions options;
    options.localPort = 0;
    options.tickIntervalMs = 60000;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QCOMPARE(search.SetTargetAddressList(targets), 0);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchTargeted), 0);
    QVERIFY2(finished.wait(10000), qPrintable(QString::number(results.count())));
    QCOMPARE(results.count(), kDisplays);
}

QTEST_GUILESS_MAIN(tst_DisplaySearchUDP)
#include "tst_displaysearchudp.moc"

#include "discovery/displaysearchudp.h"

#include "scripteddisplay.h"
#include "searchreplybytes.h"

#include <QtTest>

#include <map>
#include <memory>

// Searches over real sockets on loopback against displays scripted byte for byte in this process. Display n
// is 127.<53 + n / 200>.<block>.<1 + n % 200>, the block chosen by process id so that two builds can run at once.
namespace {

constexpr int kTickMs = 60;

QHostAddress displayAddress(int n)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QHostAddress(QStringLiteral("127.%1.%2.%3").arg(53 + n / 200).arg(block).arg(1 + n % 200));
}

// A display answering every request from request `from` on with `copies` (1 or 2) replies.
ScriptedDisplay::Script answer(quint32 type = 8, int copies = 1, int from = 1, quint8 status = '*', int size = 256)
{
    return [=](quint16 sequence, int request) {
        const QByteArray reply = SearchReplyBytes(sequence).type(type).status(status).text(96, "SCRIPTED").resize(size);
        return request < from ? QByteArrayList() : QByteArrayList{reply, reply}.mid(0, copies);
    };
}

// A search in filter mode B, with spies on it.
struct Search
{
    explicit Search(int tickMs = kTickMs, quint16 localPort = 0)
        : search([=] { DisplaySearchOptions o; o.localPort = localPort; o.tickIntervalMs = tickMs; return o; }())
    {
        search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    }
    bool run(int mode) { return search.StartSearch(mode) == 0 && finished.wait(10000) && !search.isSearching(); }
    DISPLAY_UDP_SEARCH_REPLY_INFO record(int i) const { return results.at(i).at(0).value<DISPLAY_UDP_SEARCH_REPLY_INFO>(); }

    DisplaySearchUDP search;
    QSignalSpy results{&search, &DisplaySearchUDP::device_results};
    QSignalSpy finished{&search, &DisplaySearchUDP::finished};
};

quint16 sequenceOf(const QNetworkDatagram &request) { return qFromLittleEndian<quint16>(request.data().constData() + 8); }

}

class tst_DisplaySearchUDP : public QObject
{
    Q_OBJECT

private slots:
    void broadcastSearch();
    void targetedSearchesAskAgainOnlyTheSilent();
    void earlyEnd_data();
    void earlyEnd();
};

void tst_DisplaySearchUDP::broadcastSearch()
{
    DisplaySearchUDP unfiltered;
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchBroadcast), int(DisplaySearchUDP::NoDestinations));
    QCOMPARE(unfiltered.SetBroadcastAddressList({displayAddress(1)}), 0);
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchTargeted), int(DisplaySearchUDP::NoDestinations));
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchBroadcast), int(DisplaySearchUDP::NoFilterMode));

    ScriptedDisplay a(displayAddress(2), answer(2, 2)); // answers twice, asking for acknowledgements
    ScriptedDisplay b(displayAddress(3), answer());
    Search s;
    // Repeats are dropped, and the list stops at the first address without an IPv4 form.
    const QHostAddress mapped("::ffff:" + a.address().toString());
    QCOMPARE(s.search.SetBroadcastAddressList({a.address(), a.address(), mapped, QHostAddress(QStringLiteral("0.0.0.0")), b.address()}), -1);
    QSignalSpy sent(&s.search, &DisplaySearchUDP::requestsSent);
    QVERIFY(s.run(DisplaySearchUDP::SearchBroadcast));
    QCOMPARE(sent.count(), 2); // the first round and the whole repeat, one datagram each
    QCOMPARE(sent.at(1).at(0).toInt(), 1);
    QCOMPARE(QList<int>({int(a.requests().size()), int(b.requests().size())}), QList<int>({2, 0}));
    const QByteArray request = a.requests().at(0).data();
    QCOMPARE(request.mid(16).toHex(), QByteArray("02000000000000000000000000010000").leftJustified(224, '0')); // broadcast, filter B
    // Each reply is acknowledged, repeats too, but makes one record.
    QTRY_COMPARE_WITH_TIMEOUT(a.acknowledgements().size(), 4, 2000);
    QCOMPARE(a.acknowledgements().at(0).data(), UdpSearch::buildAcknowledgement(request)); // bytes in tst_searchdatagrams
    QCOMPARE(s.results.count(), 1);
    QCOMPARE(s.record(0).ipAddress.toString() + ' ' + s.record(0).modelName, a.address().toString() + " SCRIPTED");
}

void tst_DisplaySearchUDP::targetedSearchesAskAgainOnlyTheSilent()
{
    ScriptedDisplay answers(displayAddress(10), answer());
    ScriptedDisplay unlisted(displayAddress(11), answer(2, 1, 1, 101)); // status above 100: acknowledged, not listed
    ScriptedDisplay odd(displayAddress(12), answer(8, 1, 1, '*', 255)); // not a reply, but an answer: not asked again
    ScriptedDisplay silent(displayAddress(15));
    ScriptedDisplay late(displayAddress(16), answer(8, 1, 2)); // answers from the repeat on
    ScriptedDisplay offered(displayAddress(17), answer());
    const QList<ScriptedDisplay *> targets{&answers, &unlisted, &odd, &silent, &late};
    const quint16 localPort = quint16(45000 + displayAddress(0).toIPv4Address() / 256 % 256);
    Search s(kTickMs, localPort);
    QList<QHostAddress> addresses;
    for (const ScriptedDisplay *display : targets)
        addresses << display->address();
    QCOMPARE(s.search.SetTargetAddressList(addresses), 0);
    for (const QString &bad : {QStringLiteral("0.0.0.0"), QStringLiteral("::1"), QString()}) // refused whole
        QCOMPARE(s.search.SetTargetAddressList({offered.address(), QHostAddress(bad)}), -1);
    QVERIFY(s.run(DisplaySearchUDP::SearchTargeted));
    QVERIFY(offered.requests().isEmpty());
    QCOMPARE(answers.requests().at(0).data().mid(16, 4).toHex(), QByteArray("03000000"));
    QCOMPARE(s.results.count(), 2);
    QCOMPARE(s.record(0).ipAddress.toString(), answers.address().toString());
    QCOMPARE(s.record(1).ipAddress.toString(), late.address().toString());
    for (const ScriptedDisplay *display : targets)
        QCOMPARE(display->requests().size(), display == &silent || display == &late ? 2 : 1);
    QCOMPARE(unlisted.acknowledgements().size(), 1);

    // The repeat of a later search skips every display that ever answered.
    QVERIFY(s.run(DisplaySearchUDP::SearchTargeted));
    QCOMPARE(s.results.count(), 4);
    // Read on a dual-stack port, and reported as plain IPv4 addresses.
    QCOMPARE((QSet<QString>{s.record(2).ipAddress.toString(), s.record(3).ipAddress.toString()}),
             (QSet<QString>{answers.address().toString(), late.address().toString()}));
    for (const ScriptedDisplay *display : targets)
        QCOMPARE(display->requests().size(), display == &silent ? 4 : display == &late ? 3 : 2);
    // The first search sends from the bound port, later ones from a port the system picks; the sequence counts up.
    QCOMPARE(answers.requests().at(0).senderPort(), int(localPort));
    QVERIFY(answers.requests().at(1).senderPort() != int(localPort));
    QCOMPARE(quint16(sequenceOf(answers.requests().at(0)) + 1), sequenceOf(answers.requests().at(1)));
}

void tst_DisplaySearchUDP::earlyEnd_data()
{
    QTest::addColumn<QList<int>>("targets");
    QTest::addColumn<QList<int>>("silent");
    QTest::addColumn<bool>("stranger"); // an unlisted display answers when the first target is asked
    QTest::addColumn<bool>("early");    // the search ends on the last reply, not on its fourth tick
    QTest::addColumn<int>("records");
    QList<int> burst;
    for (int n = 100; n < 400; ++n)
        burst << n;
    QTest::newRow("every target of 300 answers: replies are read as they arrive") << burst << QList<int>{} << false << true << 300;
    QTest::newRow("a target listed twice") << QList<int>{30, 30, 31} << QList<int>{} << false << false << 2;
    QTest::newRow("a foreign reply") << QList<int>{40, 41} << QList<int>{41} << true << false << 2;
}

void tst_DisplaySearchUDP::earlyEnd()
{
    QFETCH(QList<int>, targets);
    QFETCH(QList<int>, silent);
    QFETCH(bool, stranger);
    QFETCH(bool, early);
    QFETCH(int, records);
    std::map<int, std::unique_ptr<ScriptedDisplay>> displays;
    QList<QHostAddress> addresses;
    for (const int n : targets) {
        if (!displays.count(n)) // every other one asks for acknowledgements
            displays[n] = std::make_unique<ScriptedDisplay>(displayAddress(n), silent.contains(n) ? nullptr : answer(2 + n % 2 * 6));
        addresses << displayAddress(n);
    }
    ScriptedDisplay other(displayAddress(99));
    ScriptedDisplay &first = *displays[targets.first()];
    if (stranger)
        connect(&first, &ScriptedDisplay::requestReceived, &other, [&] {
            const QNetworkDatagram request = first.requests().constLast();
            other.send(SearchReplyBytes(sequenceOf(request)), request.senderAddress(), quint16(request.senderPort()));
        });
    Search s(early ? 60000 : kTickMs); // a search that is to end early could not end otherwise
    QCOMPARE(s.search.SetTargetAddressList(addresses), 0);
    QElapsedTimer clock;
    qint64 repeatAt = -1; // the last request to a silent display
    for (const int n : silent)
        connect(displays[n].get(), &ScriptedDisplay::requestReceived, this, [&] { repeatAt = clock.elapsed(); });
    clock.start();
    QVERIFY(s.run(DisplaySearchUDP::SearchTargeted));
    // The repeat goes out on the third tick, the end comes on the fourth.
    QVERIFY(silent.isEmpty() || repeatAt >= 3 * kTickMs - 5);
    QVERIFY(early || clock.elapsed() >= 4 * kTickMs - 5);
    QCOMPARE(s.results.count(), records);
    for (const auto &[n, display] : displays) {
        const int listed = int(targets.count(n));
        QCOMPARE(display->requests().size(), silent.contains(n) ? 2 * listed : listed);
        QTRY_COMPARE_WITH_TIMEOUT(display->acknowledgements().size(), silent.contains(n) || n % 2 ? 0 : listed, 1000);
    }
    QCOMPARE(other.acknowledgements().size(), stranger ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_DisplaySearchUDP)
#include "tst_displaysearchudp.moc"

#include "discovery/displaysearchudp.h"

#include "scripteddisplay.h"
#include "searchreplybytes.h"

#include <QtTest>

#include <memory>
#include <vector>

using namespace UdpSearch;
using R = SearchReplyBytes;

Q_DECLARE_METATYPE(UdpSearch::ReplyVerdict)

// The UDP display search. Its datagrams byte for byte: the request and acknowledgement, the checks that accept or
// drop a reply (malformed ones included), the fields read from a reply of any length. Then searches over real
// sockets on loopback against displays scripted byte for byte in this process. Display n is
// 127.<53 + n / 200>.<block>.<1 + n % 200>, the block chosen by process id so that two builds can run at once.
namespace {

constexpr int kTickMs = 60;

QHostAddress displayAddress(int n)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QHostAddress(QStringLiteral("127.%1.%2.%3").arg(53 + n / 200).arg(block).arg(1 + n % 200));
}

// A display answering every request from request `from` on with `copies` (1 or 2) replies.
ScriptedDisplay::Script answer(quint32 type = 8, int copies = 1, int from = 1, quint8 status = '*')
{
    return [=](quint16 sequence, int request) {
        const QByteArray reply = R(sequence).type(type).status(status).text(96, "SCRIPTED");
        return request < from ? QByteArrayList() : QByteArrayList{reply, reply}.mid(0, copies);
    };
}

// A search in filter mode B, with spies on it.
struct Search
{
    explicit Search(int tickMs = kTickMs, quint16 localPort = 0)
        : search([=] { DisplaySearchOptions o; o.localPort = localPort; o.tickIntervalMs = tickMs; return o; }())
    {
        search.SetFilterMode(FilterMatchFlagsB);
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
    void requests_data();
    void requests();
    void classify_data();
    void classify();
    void fields_data();
    void fields();
    void broadcastSearch();
    void targetedSearchesAskAgainOnlyTheSilent();
    void earlyEnd_data();
    void earlyEnd();
};

void tst_DisplaySearchUDP::requests_data()
{
    QTest::addColumn<int>("type"); // 5: the acknowledgement of a targeted request
    QTest::addColumn<int>("filterMode");
    QTest::addColumn<QByteArray>("hex");
    // Magic, marker, sequence, length, time stamp, type, reserved, filter word A, filter word B.
    QTest::newRow("broadcast, mode 1") << 2 << 1 << QByteArray("4B52574A 14000000 3412 7000 EFCDAB89 02000000 00000000 31000000 00000000");
    QTest::newRow("broadcast, mode 2") << 2 << 2 << QByteArray("4B52574A 14000000 3412 7000 EFCDAB89 02000000 00000000 00000000 00010000");
    QTest::newRow("targeted, mode 3") << 3 << 3 << QByteArray("4B52574A 14000000 3412 7000 EFCDAB89 03000000 00000000 00000000 00000000");
    QTest::newRow("acknowledgement") << 5 << 2 << QByteArray("4B52574A 14000000 3412 7000 EFCDAB89 05000000 00000000 00000000 00010000");
}

void tst_DisplaySearchUDP::requests()
{
    QFETCH(int, type);
    QFETCH(int, filterMode);
    QFETCH(QByteArray, hex);
    const QByteArray request = buildRequest(0x1234, 0x89ABCDEF, RequestType(qMin(type, 3)), filterMode);
    const QByteArray datagram = type == 5 ? buildAcknowledgement(request) : request;
    QCOMPARE(datagram.toHex(' '), QByteArray::fromHex(hex).leftJustified(type == 5 ? 256 : 128, '\0').toHex(' '));
}

void tst_DisplaySearchUDP::classify_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("filterMode");
    QTest::addColumn<bool>("senderIsTarget");
    QTest::addColumn<ReplyVerdict>("verdict");
    const auto ackDue = ReplyVerdict::AcceptedAcknowledgementDue;
    const auto accepted = ReplyVerdict::Accepted;
    const auto dropped = ReplyVerdict::Dropped;
    const auto row = [](const char *name, const QByteArray &reply, int filterMode, bool target, ReplyVerdict verdict) {
        QTest::newRow(name) << reply << filterMode << target << verdict;
    };
    row("type 2, magic KRWJ", R().magic("KRWJ"), 2, false, ackDue);
    row("type 8 regardless of every check",
        R().type(8).magic("XXXX").sequence(0x1235).fill(32, 24, '\0').put32(148, 0).byte(144, 0), 2, false, accepted);
    row("wrong magic", R().magic("KRWX"), 2, true, dropped);
    row("other sequence", R().sequence(0x1235), 2, true, dropped);
    row("sequence high byte differs", R().sequence(0x1334), 2, true, dropped);
    row("mode 1, byte 144 = 0x01", R().byte(144, 0x01).put32(148, 0), 1, false, ackDue);
    row("mode 1, byte 144 = 0xCE", R().byte(144, 0xCE), 1, false, dropped);
    row("mode 1 reads byte 144 only", R().byte(144, 0).byte(145, 0x31), 1, false, dropped);
    row("mode 2, flags B = 0x100", R().byte(144, 0), 2, false, ackDue);
    row("mode 2, flags B = 0xFFFFFEFF", R().put32(148, 0xFFFFFEFF), 2, false, dropped);
    row("mode 3, no flags", R().byte(144, 0).put32(148, 0), 3, false, ackDue);
    row("mode 0 accepts nothing but type 8", R(), 0, true, dropped);
    row("empty identity", R().fill(32, 24, '\0'), 2, true, dropped);
    row("identity of one character", R().fill(32, 24, '\0').text(32, "x"), 2, false, ackDue);
    row("type 1 from a target", R().type(1), 2, true, accepted);
    row("type 1 from another sender", R().type(1), 2, false, dropped);
    row("type 0x102 is not type 2", R().type(0x102), 2, false, dropped);
    row("255 bytes", R().resize(255), 2, true, dropped);
    row("257 bytes of type 8", R().type(8).resize(257), 2, true, dropped);
}

void tst_DisplaySearchUDP::classify()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, filterMode);
    QFETCH(bool, senderIsTarget);
    QFETCH(ReplyVerdict, verdict);
    QCOMPARE(classifyReply(reply, 0x1234, filterMode, senderIsTarget), verdict);
}

void tst_DisplaySearchUDP::fields_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("fields"); // status, listable, series, IP address 2, MAC address
    QTest::addColumn<QStringList>("texts");  // model name, the four firmware versions, the current firmware
    const auto row = [](const char *name, const QByteArray &reply, const QString &fields, const QString &texts = "|||||") {
        QTest::newRow(name) << reply << fields.split(' ') << texts.split('|');
    };
    const QString plain = QStringLiteral("0 true 0  00-00-00-00-00-00");
    row("status '*' reads as 1", R().status('*'), "1 true 0  00-00-00-00-00-00");
    row("status 100", R().status(100), "100 true 0  00-00-00-00-00-00");
    row("status 101 is not listed", R().status(101), "101 false 0  00-00-00-00-00-00");
    row("status 255 is signed", R().status(255), "-1 false 0  00-00-00-00-00-00");
    row("status at the end of a short datagram", R().status(200).resize(153), "-56 false 0  00-00-00-00-00-00");
    for (const int series : {3, 4, 5, 6, 69, 0, 2, 7, 68, 70, 255}) { // IP address 2, in network byte order
        const bool hasAddress2 = (series >= 3 && series <= 6) || series == 69;
        row(QByteArray("series " + QByteArray::number(series)).constData(),
            R().status(0).series(quint8(series)).text(168, QByteArray::fromHex("C0A80A14")),
            QStringLiteral("0 true %1 %2 00-00-00-00-00-00").arg(series).arg(hasAddress2 ? "192.168.10.20" : ""));
    }
    row("MAC address", R().status(0).text(56, QByteArray::fromHex("0AFF00010203")), "0 true 0  0A-FF-00-01-02-03");
    row("texts end at a NUL and are trimmed",
        R().status(0).text(96, "  VT-557Q-ABC \t").text(180, " R1.234").text(189, "R2.000 ").text(198, "R3").text(207, "R4.5")
            .text(226, "  -.-  ").byte(240, 0xE9), plain, "VT-557Q-ABC|R1.234|R2.000|R3|R4.5|-.-");
    row("texts are Latin-1", R().status(0).text(96, "Mod\xE8le"), plain, QString::fromUtf8("Mod\xC3\xA8le|||||"));
    row("a full field runs on", R().status(0).text(180, "123456789").text(189, "AB"), plain, "|123456789AB|AB|||");
    row("texts run to the end of the datagram", R().fill(96, 160, 'M'), "77 true 77  00-00-00-00-00-00",
        QString(160, 'M') + "|" + QString(76, 'M') + "|" + QString(67, 'M') + "|" + QString(58, 'M') + "|" + QString(49, 'M') + "|" + QString(30, 'M'));
    row("a short datagram reads as zeros", R().status(0).fill(96, 160, 'M').series(4).resize(100), plain, "MMMM|||||");
}

void tst_DisplaySearchUDP::fields()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, texts);
    const DISPLAY_UDP_SEARCH_REPLY_INFO info = parseReply(reply, QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(QStringList({QString::number(info.statusChar), hasListableStatus(reply) ? "true" : "false",
                          QString::number(info.series), info.ipAddress2.toString(), info.macAddress}), fields);
    QCOMPARE(QStringList({info.modelName, info.fwVersions[0], info.fwVersions[1], info.fwVersions[2], info.fwVersions[3],
                          info.currentFirmware}), texts);
}

void tst_DisplaySearchUDP::broadcastSearch()
{
    DisplaySearchUDP unfiltered;
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchBroadcast), int(DisplaySearchUDP::NoDestinations));
    QCOMPARE(unfiltered.SetBroadcastAddressList({displayAddress(1)}), 0);
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchTargeted), int(DisplaySearchUDP::NoDestinations));
    QCOMPARE(unfiltered.StartSearch(DisplaySearchUDP::SearchBroadcast), int(DisplaySearchUDP::NoFilterMode));

    ScriptedDisplay a(displayAddress(2), answer(2, 2)); // answers twice, asking for acknowledgements
    Search s;
    // Repeats are dropped, and the list stops at the first address without an IPv4 form: one datagram a round.
    const QHostAddress mapped("::ffff:" + a.address().toString()), none(QStringLiteral("0.0.0.0"));
    QCOMPARE(s.search.SetBroadcastAddressList({a.address(), a.address(), mapped, none, displayAddress(3)}), -1);
    QSignalSpy sent(&s.search, &DisplaySearchUDP::requestsSent);
    QVERIFY(s.run(DisplaySearchUDP::SearchBroadcast));
    QCOMPARE(QList<QVariantList>(sent), (QList<QVariantList>{{1}, {1}})); // the first round and the whole repeat
    const QByteArray request = a.requests().at(0).data();
    QCOMPARE(request.mid(16).toHex(), QByteArray("02000000000000000000000000010000").leftJustified(224, '0')); // broadcast, filter B
    // Each reply is acknowledged, repeats too, but makes one record.
    QTRY_COMPARE_WITH_TIMEOUT(a.acknowledgements().size(), 4, 2000);
    QCOMPARE(a.acknowledgements().at(0).data(), buildAcknowledgement(request)); // bytes in requests()
    QCOMPARE(s.results.count(), 1);
    QCOMPARE(s.record(0).ipAddress.toString() + ' ' + s.record(0).modelName, a.address().toString() + " SCRIPTED");
}

void tst_DisplaySearchUDP::targetedSearchesAskAgainOnlyTheSilent()
{
    ScriptedDisplay answers(displayAddress(10), answer());
    ScriptedDisplay unlisted(displayAddress(11), answer(2, 1, 1, 101)); // status above 100: acknowledged, not listed
    // An earlier search's reply: dropped, not acknowledged, but an answer: not asked again.
    ScriptedDisplay stale(displayAddress(12), [](quint16 sequence, int) { return QByteArrayList{R(sequence - 1)}; });
    ScriptedDisplay late(displayAddress(16), answer(8, 1, 2)); // answers from the repeat on
    ScriptedDisplay offered(displayAddress(17), answer());
    const QList<ScriptedDisplay *> targets{&answers, &unlisted, &stale, &late};
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
        QCOMPARE(display->requests().size(), display == &late ? 2 : 1);
    QCOMPARE(QList<int>({int(unlisted.acknowledgements().size()), int(stale.acknowledgements().size())}), QList<int>({1, 0}));

    // The repeat of a later search skips every display that ever answered.
    QVERIFY(s.run(DisplaySearchUDP::SearchTargeted));
    QCOMPARE(s.results.count(), 4);
    // Read on a dual-stack port, and reported as plain IPv4 addresses.
    QCOMPARE((QSet<QString>{s.record(2).ipAddress.toString(), s.record(3).ipAddress.toString()}),
             (QSet<QString>{answers.address().toString(), late.address().toString()}));
    for (const ScriptedDisplay *display : targets)
        QCOMPARE(display->requests().size(), display == &late ? 3 : 2);
    // The first search sends from the bound port, later ones from a port the system picks; the sequence counts up.
    QCOMPARE(answers.requests().at(0).senderPort(), int(localPort));
    QVERIFY(answers.requests().at(1).senderPort() != int(localPort));
    QCOMPARE(quint16(sequenceOf(answers.requests().at(0)) + 1), sequenceOf(answers.requests().at(1)));
}

void tst_DisplaySearchUDP::earlyEnd_data()
{
    QTest::addColumn<int>("targets"); // displays 100, 101, ...; every other one asks for acknowledgements
    QTest::addColumn<bool>("foreign"); // the last target is silent, and an unlisted display answers the first request
    QTest::newRow("every target of 300 answers: replies are read as they arrive") << 300 << false;
    QTest::newRow("a foreign reply does not count") << 2 << true;
}

void tst_DisplaySearchUDP::earlyEnd()
{
    QFETCH(int, targets);
    QFETCH(bool, foreign);
    std::vector<std::unique_ptr<ScriptedDisplay>> displays;
    QList<QHostAddress> addresses;
    for (int n = 100; n < 100 + targets; ++n) {
        const bool silent = foreign && n == 99 + targets;
        displays.push_back(std::make_unique<ScriptedDisplay>(displayAddress(n), silent ? nullptr : answer(2 + n % 2 * 6)));
        addresses << displayAddress(n);
    }
    ScriptedDisplay other(displayAddress(99));
    ScriptedDisplay &first = *displays.front();
    if (foreign)
        connect(&first, &ScriptedDisplay::requestReceived, &other, [&] {
            const QNetworkDatagram request = first.requests().constLast();
            other.send(SearchReplyBytes(sequenceOf(request)), request.senderAddress(), quint16(request.senderPort()));
        });
    Search s(foreign ? kTickMs : 60000); // a search that is to end early could not end otherwise
    QCOMPARE(s.search.SetTargetAddressList(addresses), 0);
    QElapsedTimer clock;
    qint64 repeatAt = -1; // the last request to the last target
    connect(displays.back().get(), &ScriptedDisplay::requestReceived, this, [&] { repeatAt = clock.elapsed(); });
    clock.start();
    QVERIFY(s.run(DisplaySearchUDP::SearchTargeted));
    // The repeat to the silent target goes out on the third tick, the end comes on the fourth.
    QVERIFY(!foreign || (repeatAt >= 3 * kTickMs - 5 && clock.elapsed() >= 4 * kTickMs - 5));
    QCOMPARE(s.results.count(), targets); // with a foreign reply: the first target and the stranger
    for (int i = 0; i < targets; ++i) {
        const bool silent = foreign && i == targets - 1;
        QCOMPARE(displays[i]->requests().size(), silent ? 2 : 1);
        QTRY_COMPARE_WITH_TIMEOUT(displays[i]->acknowledgements().size(), silent || i % 2 ? 0 : 1, 1000);
    }
    QCOMPARE(other.acknowledgements().size(), foreign ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_DisplaySearchUDP)
#include "tst_displaysearchudp.moc"

#include "discovery/searchdatagrams.h"

#include "searchreplybytes.h"

#include <QtTest>

using namespace UdpSearch;
using R = SearchReplyBytes;

Q_DECLARE_METATYPE(UdpSearch::ReplyVerdict)

// The search datagrams byte for byte: the request and acknowledgement, the checks that accept or drop a reply
// (malformed ones included), and the fields read from a reply of any length.
class tst_SearchDatagrams : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void classify_data();
    void classify();
    void fields_data();
    void fields();
};

void tst_SearchDatagrams::requests_data()
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

void tst_SearchDatagrams::requests()
{
    QFETCH(int, type);
    QFETCH(int, filterMode);
    QFETCH(QByteArray, hex);
    const QByteArray request = buildRequest(0x1234, 0x89ABCDEF, RequestType(qMin(type, 3)), filterMode);
    const QByteArray datagram = type == 5 ? buildAcknowledgement(request) : request;
    QCOMPARE(datagram.toHex(' '), QByteArray::fromHex(hex).leftJustified(type == 5 ? 256 : 128, '\0').toHex(' '));
}

void tst_SearchDatagrams::classify_data()
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
    row("type 2, magic KRWD", R(), 2, false, ackDue);
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
    row("empty", QByteArray(), 3, true, dropped);
}

void tst_SearchDatagrams::classify()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, filterMode);
    QFETCH(bool, senderIsTarget);
    QFETCH(ReplyVerdict, verdict);
    QCOMPARE(classifyReply(reply, 0x1234, filterMode, senderIsTarget), verdict);
}

void tst_SearchDatagrams::fields_data()
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
    row("status beyond a short datagram", R().status(200).resize(152), plain);
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

void tst_SearchDatagrams::fields()
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

QTEST_GUILESS_MAIN(tst_SearchDatagrams)
#include "tst_searchdatagrams.moc"

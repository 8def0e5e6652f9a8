#include "discovery/searchdatagrams.h"

#include "searchreplybytes.h"

#include <QtTest>

using namespace UdpSearch;

Q_DECLARE_METATYPE(UdpSearch::ReplyVerdict)
Q_DECLARE_METATYPE(QHostAddress)

namespace {

// Hex with blanks for readability, padded with zero bytes to `size`.
QByteArray hexBytes(const char *hex, int size)
{
    QByteArray bytes = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    bytes.append(size - bytes.size(), '\0');
    return bytes;
}

constexpr quint16 kSequence = 0x1234;

}

class tst_SearchDatagrams : public QObject
{
    Q_OBJECT

private slots:
    void request_data();
    void request();
    void acknowledgement();
    void classify_data();
    void classify();
    void statusCharacter_data();
    void statusCharacter();
    void secondAddress_data();
    void secondAddress();
    void macAddress();
    void texts();
    void textRunsOnButNotPastTheEnd();
    void shortDatagramReadsAsZero();
    void sender_data();
    void sender();
    void ipv4Form_data();
    void ipv4Form();
};

void tst_SearchDatagrams::request_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("filterMode");
    QTest::addColumn<QByteArray>("expected");

    //                  magic    marker   seq  len  time     type     -        filter A filter B
    QTest::newRow("broadcast, mode 1") << int(RequestBroadcast) << 1
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 02000000 00000000 31000000 00000000", 128);
    QTest::newRow("broadcast, mode 2") << int(RequestBroadcast) << 2
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 02000000 00000000 00000000 00010000", 128);
    QTest::newRow("broadcast, mode 3") << int(RequestBroadcast) << 3
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 02000000 00000000 00000000 00000000", 128);
    QTest::newRow("targeted, mode 1") << int(RequestTargeted) << 1
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 03000000 00000000 31000000 00000000", 128);
    QTest::newRow("targeted, mode 2") << int(RequestTargeted) << 2
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 03000000 00000000 00000000 00010000", 128);
    QTest::newRow("targeted, mode 3") << int(RequestTargeted) << 3
        << hexBytes("4B52574A 14000000 3412 7000 EFCDAB89 03000000 00000000 00000000 00000000", 128);
}

void tst_SearchDatagrams::request()
{
    QFETCH(int, type);
    QFETCH(int, filterMode);
    QFETCH(QByteArray, expected);
    const QByteArray request =
        buildRequest(kSequence, 0x89ABCDEF, RequestType(type), filterMode);
    QCOMPARE(request.size(), 128);
    QCOMPARE(request.toHex(' '), expected.toHex(' '));
}

void tst_SearchDatagrams::acknowledgement()
{
    const QByteArray request = buildRequest(0xFFFE, 0x01020304, RequestTargeted, FilterMatchFlagsB);
    const QByteArray ack = buildAcknowledgement(request);
    QCOMPARE(ack.size(), 256);
    QCOMPARE(ack.toHex(' '),
             hexBytes("4B52574A 14000000 FEFF 7000 04030201 05000000 00000000 00000000 00010000",
                      256)
                 .toHex(' '));
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
    using R = SearchReplyBytes;

    QTest::newRow("type 2, magic KRWD") << R().bytes() << 2 << false << ackDue;
    QTest::newRow("type 2, magic KRWJ") << R().magic("KRWJ").bytes() << 2 << false << ackDue;
    QTest::newRow("type 8 regardless of every check")
        << R().type(8).magic("XXXX").sequence(kSequence + 1).fill(32, 24, '\0')
               .put32(148, 0).byte(144, 0).bytes()
        << 2 << false << accepted;
    QTest::newRow("wrong magic") << R().magic("KRWX").bytes() << 2 << true << dropped;
    QTest::newRow("lower-case magic") << R().magic("krwd").bytes() << 2 << true << dropped;
    QTest::newRow("other sequence") << R().sequence(kSequence + 1).bytes() << 2 << true << dropped;
    QTest::newRow("sequence high byte differs") << R().sequence(0x1334).bytes() << 2 << true
                                                << dropped;

    QTest::newRow("mode 1, byte 144 = 0x01") << R().byte(144, 0x01).put32(148, 0).bytes() << 1
                                             << false << ackDue;
    QTest::newRow("mode 1, byte 144 = 0x20") << R().byte(144, 0x20).bytes() << 1 << false
                                             << ackDue;
    QTest::newRow("mode 1, byte 144 = 0xCE") << R().byte(144, 0xCE).bytes() << 1 << false
                                             << dropped;
    QTest::newRow("mode 1 reads byte 144 only")
        << R().byte(144, 0).byte(145, 0x31).bytes() << 1 << false << dropped;
    QTest::newRow("mode 2, flags B = 0x100") << R().byte(144, 0).bytes() << 2 << false << ackDue;
    QTest::newRow("mode 2, flags B = 0xFFFFFEFF") << R().put32(148, 0xFFFFFEFF).bytes() << 2
                                                  << false << dropped;
    QTest::newRow("mode 3, no flags") << R().byte(144, 0).put32(148, 0).bytes() << 3 << false
                                      << ackDue;
    QTest::newRow("mode 0 accepts nothing but type 8") << R().bytes() << 0 << true << dropped;

    QTest::newRow("empty identity") << R().fill(32, 24, '\0').bytes() << 2 << true << dropped;
    QTest::newRow("identity of one character")
        << R().fill(32, 24, '\0').text(32, "x").bytes() << 2 << false << ackDue;

    QTest::newRow("type 1 from a target") << R().type(1).bytes() << 2 << true << accepted;
    QTest::newRow("type 1 from another sender") << R().type(1).bytes() << 2 << false << dropped;
    QTest::newRow("type 0x102 is not type 2") << R().type(0x102).bytes() << 2 << false
                                              << dropped;

    QTest::newRow("255 bytes") << R().resize(255).bytes() << 2 << true << dropped;
    QTest::newRow("257 bytes") << R().resize(257).bytes() << 2 << true << dropped;
    QTest::newRow("257 bytes of type 8") << R().type(8).resize(257).bytes() << 2 << true
                                         << dropped;
}

void tst_SearchDatagrams::classify()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, filterMode);
    QFETCH(bool, senderIsTarget);
    QFETCH(ReplyVerdict, verdict);
    QCOMPARE(classifyReply(reply, kSequence, filterMode, senderIsTarget), verdict);
}

void tst_SearchDatagrams::statusCharacter_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("statusChar");
    QTest::addColumn<bool>("listable");

    QTest::newRow("'*'") << int('*') << 1 << true;
    QTest::newRow("0") << 0 << 0 << true;
    QTest::newRow("1") << 1 << 1 << true;
    QTest::newRow("'A'") << int('A') << int('A') << true;
    QTest::newRow("100") << 100 << 100 << true;
    QTest::newRow("101") << 101 << 101 << false;
    QTest::newRow("127") << 127 << 127 << false;
    QTest::newRow("128") << 128 << -128 << false;
    QTest::newRow("255") << 255 << -1 << false;
}

void tst_SearchDatagrams::statusCharacter()
{
    QFETCH(int, byte);
    QFETCH(int, statusChar);
    QFETCH(bool, listable);
    const QByteArray reply = SearchReplyBytes().status(quint8(byte));
    QCOMPARE(hasListableStatus(reply), listable);
    QCOMPARE(parseReply(reply, QHostAddress(QStringLiteral("127.0.0.2"))).statusChar, statusChar);
}

void tst_SearchDatagrams::secondAddress_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("ipAddress2");

    const QString address = QStringLiteral("192.168.10.20");
    for (int series : {3, 4, 5, 6, 69})
        QTest::addRow("series %d", series) << series << address;
    for (int series : {0, 1, 2, 7, 11, 68, 70, 255})
        QTest::addRow("series %d", series) << series << QString();
}

void tst_SearchDatagrams::secondAddress()
{
    QFETCH(int, series);
    QFETCH(QString, ipAddress2);
    // Network byte order: 192.168.10.20 is C0 A8 0A 14.
    const QByteArray reply = SearchReplyBytes()
                                 .series(quint8(series))
                                 .byte(168, 0xC0).byte(169, 0xA8).byte(170, 0x0A).byte(171, 0x14);
    const DISPLAY_UDP_SEARCH_REPLY_INFO info =
        parseReply(reply, QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(int(info.series), series);
    QCOMPARE(info.ipAddress2.isNull(), ipAddress2.isEmpty());
    if (!ipAddress2.isEmpty())
        QCOMPARE(info.ipAddress2, QHostAddress(ipAddress2));
    QCOMPARE(udpSeriesHasIP2(series), !ipAddress2.isEmpty());
}

void tst_SearchDatagrams::macAddress()
{
    const QByteArray reply = SearchReplyBytes().text(56, QByteArray::fromHex("0AFF00010203"));
    QCOMPARE(parseReply(reply, QHostAddress()).macAddress, QStringLiteral("0A-FF-00-01-02-03"));
    QCOMPARE(parseReply(SearchReplyBytes().text(56, QByteArray::fromHex("001A2B3C4D5E")),
                        QHostAddress())
                 .macAddress,
             QStringLiteral("00-1A-2B-3C-4D-5E"));
}

void tst_SearchDatagrams::texts()
{
    const QByteArray reply = SearchReplyBytes()
                                 .text(96, "  VT-557Q-ABC \t")
                                 .text(180, " R1.234")
                                 .text(189, "R2.000 ")
                                 .text(198, "R3")
                                 .text(207, "R4.5")
                                 .text(226, "  -.-  ")
                                 .byte(240, 0xE9); // after the text's NUL: not read
    const DISPLAY_UDP_SEARCH_REPLY_INFO info =
        parseReply(reply, QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(info.modelName, QStringLiteral("VT-557Q-ABC"));
    QCOMPARE(info.fwVersions[0], QStringLiteral("R1.234"));
    QCOMPARE(info.fwVersions[1], QStringLiteral("R2.000"));
    QCOMPARE(info.fwVersions[2], QStringLiteral("R3"));
    QCOMPARE(info.fwVersions[3], QStringLiteral("R4.5"));
    QCOMPARE(info.currentFirmware, QStringLiteral("-.-"));
    QCOMPARE(info.ipAddress, QHostAddress(QStringLiteral("127.0.0.2")));

    const QByteArray latin1 = SearchReplyBytes().text(96, "Mod\xE8le");
    QCOMPARE(parseReply(latin1, QHostAddress()).modelName, QString::fromUtf8("Mod\xC3\xA8le"));
}

void tst_SearchDatagrams::textRunsOnButNotPastTheEnd()
{
    // FW1 fills its nine bytes and runs on into FW2.
    const QByteArray fw = SearchReplyBytes().text(180, "123456789").text(189, "AB");
    QCOMPARE(parseReply(fw, QHostAddress()).fwVersions[0], QStringLiteral("123456789AB"));
    QCOMPARE(parseReply(fw, QHostAddress()).fwVersions[1], QStringLiteral("AB"));

    // The current firmware text fills the datagram to its last byte.
    const QByteArray last = SearchReplyBytes().fill(226, 30, 'Z');
    QCOMPARE(parseReply(last, QHostAddress()).currentFirmware, QString(30, QLatin1Char('Z')));

    // A model name without any NUL runs through every later field.
    const QByteArray full = SearchReplyBytes().fill(96, 160, 'M');
    QCOMPARE(parseReply(full, QHostAddress()).modelName, QString(160, QLatin1Char('M')));
}

void tst_SearchDatagrams::shortDatagramReadsAsZero()
{
    const QByteArray cut = SearchReplyBytes().fill(96, 160, 'M').series(4).resize(100);
    const DISPLAY_UDP_SEARCH_REPLY_INFO info = parseReply(cut, QHostAddress());
    QCOMPARE(info.modelName, QStringLiteral("MMMM"));
    QCOMPARE(int(info.series), 0);
    QVERIFY(info.currentFirmware.isEmpty());
    QVERIFY(!hasListableStatus(SearchReplyBytes().status(200).resize(153)));
    QVERIFY(hasListableStatus(SearchReplyBytes().status(200).resize(152)));
}

void tst_SearchDatagrams::sender_data()
{
    QTest::addColumn<QHostAddress>("sender");
    QTest::addColumn<QHostAddress>("ipAddress");

    const QHostAddress v4(QStringLiteral("10.1.2.3"));
    QTest::newRow("IPv4") << v4 << v4;
    QTest::newRow("IPv4-mapped IPv6") << QHostAddress(QStringLiteral("::ffff:10.1.2.3")) << v4;
    const QHostAddress v6(QStringLiteral("fe80::1"));
    QTest::newRow("IPv6 stays") << v6 << v6;
}

void tst_SearchDatagrams::sender()
{
    QFETCH(QHostAddress, sender);
    QFETCH(QHostAddress, ipAddress);
    const QHostAddress parsed = parseReply(SearchReplyBytes(), sender).ipAddress;
    QCOMPARE(parsed, ipAddress);
    QCOMPARE(parsed.protocol(), ipAddress.protocol());
}

void tst_SearchDatagrams::ipv4Form_data()
{
    QTest::addColumn<QHostAddress>("address");
    QTest::addColumn<bool>("hasForm");

    QTest::newRow("10.0.0.1") << QHostAddress(QStringLiteral("10.0.0.1")) << true;
    QTest::newRow("255.255.255.255") << QHostAddress(QHostAddress::Broadcast) << true;
    QTest::newRow("IPv4-mapped") << QHostAddress(QStringLiteral("::ffff:10.0.0.1")) << true;
    QTest::newRow("0.0.0.0") << QHostAddress(QStringLiteral("0.0.0.0")) << false;
    QTest::newRow("null") << QHostAddress() << false;
    QTest::newRow("IPv6") << QHostAddress(QStringLiteral("2001:db8::1")) << false;
}

void tst_SearchDatagrams::ipv4Form()
{
    QFETCH(QHostAddress, address);
    QFETCH(bool, hasForm);
    QCOMPARE(hasIPv4Form(address), hasForm);
}

QTEST_GUILESS_MAIN(tst_SearchDatagrams)
#include "tst_searchdatagrams.moc"

// The simulator's encoders, decoders and command answers, pinned byte for
// byte to the protocol layouts, without sockets.

#include "simprotocol/controlframe.h"
#include "simprotocol/controlresponder.h"
#include "simprotocol/displayconfig.h"
#include "simprotocol/fleetgenerator.h"
#include "simprotocol/httpmessage.h"
#include "simprotocol/searchdatagram.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// A 128-byte request built by hand from the table of the search protocol.
QByteArray handBuiltRequest(quint16 sequence, quint32 type, quint32 filterA, quint32 filterB)
{
    QByteArray d(128, '\0');
    d.replace(0, 4, "KRWJ");
    d[4] = 0x14;
    d[8] = char(sequence & 0xFF);
    d[9] = char(sequence >> 8);
    d[10] = 0x70;
    d[12] = 0x78;
    d[13] = 0x56;
    d[14] = 0x34;
    d[15] = 0x12;
    d[16] = char(type);
    d[24] = char(filterA);
    d[25] = char(filterA >> 8);
    d[28] = char(filterB);
    d[29] = char(filterB >> 8);
    return d;
}

DisplayConfig sampleDisplay()
{
    DisplayConfig c;
    c.address = QHostAddress(QStringLiteral("127.0.0.2"));
    c.modelName = "K5-552";
    c.serialNumber = "12A45678";
    c.currentFirmware = "R1.300";
    c.fwVersions = {QByteArray("1.10"), QByteArray("-.-"), QByteArray(), QByteArray("ABCDEFGHIJ")};
    c.assetTag = "Lobby";
    c.powerState = 1;
    c.powerSaveMode = 2;
    return c;
}

} // namespace

class tst_SimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestMatchesHandBuiltLayout();
    void requestChecks_data();
    void requestChecks();
    void acknowledgementIsRequestWithTypeFive();
    void replyFieldOffsets_data();
    void replyFieldOffsets();

    void controlFrameExample();
    void controlDecode_data();
    void controlDecode();

    void commandAnswers_data();
    void commandAnswers();
    void powerAndPowerSaveChangeState();
    void keyedUpdateParameters();
    void unreadableWhileOff();

    void fleetFileErrors_data();
    void fleetFileErrors();
    void fleetFileDefaultsAndFaults();
    void generatedFleetIsDeterministic();

    void httpRequestParsing_data();
    void httpRequestParsing();
    void randomBytesNeverCrash();
};

void tst_SimProtocol::requestMatchesHandBuiltLayout()
{
    SearchDatagram::Request r;
    r.sequence = 0xBEEF;
    r.timestamp = 0x12345678;
    r.requestType = 3;
    r.filterB = 0x100;
    QCOMPARE(SearchDatagram::encodeRequest(r), handBuiltRequest(0xBEEF, 3, 0, 0x100));

    SearchDatagram::Request parsed;
    QCOMPARE(SearchDatagram::parseRequest(handBuiltRequest(7, 2, 0x31, 0), &parsed),
             SearchDatagram::RequestCheck::Ok);
    QCOMPARE(parsed.sequence, quint16(7));
    QCOMPARE(parsed.requestType, 2u);
    QCOMPARE(parsed.filterA, 0x31u);
    QCOMPARE(parsed.timestamp, 0x12345678u);
}

void tst_SimProtocol::requestChecks_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("check");
    using C = SearchDatagram::RequestCheck;
    const QByteArray good = handBuiltRequest(1, 3, 0, 0x100);
    QTest::newRow("good") << good << int(C::Ok);
    QTest::newRow("127 bytes") << good.left(127) << int(C::WrongSize);
    QTest::newRow("129 bytes") << good + '\0' << int(C::WrongSize);
    QTest::newRow("empty") << QByteArray() << int(C::WrongSize);
    QByteArray magic = good;
    magic[3] = 'D';
    QTest::newRow("reply magic") << magic << int(C::WrongMagic);
    QByteArray marker = good;
    marker[4] = 0x15;
    QTest::newRow("byte 4") << marker << int(C::WrongHeader);
    QByteArray length = good;
    length[10] = 0x71;
    QTest::newRow("length word") << length << int(C::WrongHeader);
    QTest::newRow("256 bytes not type 5") << good + QByteArray(128, '\0') << int(C::WrongSize);
    QTest::newRow("ack") << handBuiltRequest(1, 5, 0, 0x100) + QByteArray(128, '\0') << int(C::Ok);
}

void tst_SimProtocol::requestChecks()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, check);
    QCOMPARE(int(SearchDatagram::parseRequest(datagram, nullptr)), check);
}

void tst_SimProtocol::acknowledgementIsRequestWithTypeFive()
{
    SearchDatagram::Request r;
    SearchDatagram::parseRequest(handBuiltRequest(0x1234, 3, 0, 0x100), &r);
    const QByteArray ack = handBuiltRequest(0x1234, 5, 0, 0x100) + QByteArray(128, '\0');
    QVERIFY(SearchDatagram::isAcknowledgementOf(ack, r));
    QVERIFY(!SearchDatagram::isAcknowledgementOf(ack.left(128), r));
    QVERIFY(!SearchDatagram::isAcknowledgementOf(handBuiltRequest(0x1235, 5, 0, 0x100) + QByteArray(128, '\0'), r));
    QByteArray dirtyTail = ack;
    dirtyTail[200] = 1;
    QVERIFY(!SearchDatagram::isAcknowledgementOf(dirtyTail, r));
}

void tst_SimProtocol::replyFieldOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("magic") << 0 << QByteArray("KRWD");
    QTest::newRow("sequence LE") << 8 << hex("34 12");
    QTest::newRow("reply type LE") << 16 << hex("02 00 00 00");
    QTest::newRow("identity + NUL") << 32 << QByteArray("ID-1\0", 5);
    QTest::newRow("MAC in order") << 56 << hex("0A FF 00 01 02 03");
    QTest::newRow("model fills room, no NUL") << 96 << QByteArray(48, 'M') + hex("31 00 00 00");
    QTest::newRow("flags B LE") << 148 << hex("00 01 00 00");
    QTest::newRow("status") << 152 << QByteArray("*");
    QTest::newRow("series") << 156 << hex("45");
    QTest::newRow("address2 network order") << 168 << hex("7F 00 00 66");
    QTest::newRow("FW1") << 180 << QByteArray("1.10\0", 5);
    QTest::newRow("FW2 cut to room") << 189 << QByteArray("123456789") + QByteArray("\0", 1);
    QTest::newRow("FW4 runs to current") << 207 << QByteArray(19, 'F') + QByteArray("R1.300\0", 7);
    QTest::newRow("current to end") << 226 << QByteArray("R1.300") + QByteArray(24, '\0');
}

void tst_SimProtocol::replyFieldOffsets()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, expected);
    SearchDatagram::Reply r;
    r.sequence = 0x1234;
    r.replyType = 2;
    r.identity = "ID-1";
    r.mac = {0x0A, 0xFF, 0x00, 0x01, 0x02, 0x03};
    r.modelName = QByteArray(60, 'M'); // longer than its room
    r.seriesCode = 69;
    r.address2 = QHostAddress(QStringLiteral("127.0.0.102")).toIPv4Address();
    r.fwVersions = {QByteArray("1.10"), QByteArray("123456789ABC"), QByteArray(), QByteArray(19, 'F')};
    r.currentFirmware = "R1.300";
    const QByteArray d = SearchDatagram::encodeReply(r);
    QCOMPARE(d.size(), 256);
    QCOMPARE(d.mid(offset, expected.size()).toHex(' '), expected.toHex(' '));
}

void tst_SimProtocol::controlFrameExample()
{
    const QByteArray example = hex("01 30 2A 30 41 30 36 02 43 32 31 37 03 1B 0D");
    QCOMPARE(ControlFrame::encodeRequest('A', "C217").toHex(' '), example.toHex(' '));
    ControlFrame::Frame f;
    int consumed = 0;
    QCOMPARE(ControlFrame::decode(example, &f, &consumed), ControlFrame::Decode::Ok);
    QCOMPARE(consumed, example.size());
    QCOMPARE(f.type, 'A');
    QCOMPARE(f.destination, '*');
    QCOMPARE(f.message, QByteArray("C217"));

    // Replies as the display builds them (block check codes worked out by hand).
    QCOMPARE(ControlFrame::encodeReply('A', 'B', "BE").toHex(' '), hex("01 30 30 41 42 30 34 02 42 45 03 01 0D").toHex(' '));
    QCOMPARE(ControlFrame::encodeReply('A', 'B', "00C203D60004").toHex(' '),
             hex("01 30 30 41 42 30 45 02 30 30 43 32 30 33 44 36 30 30 30 34 03 73 0D").toHex(' '));
}

void tst_SimProtocol::controlDecode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("consumed");
    using D = ControlFrame::Decode;
    const QByteArray example = hex("01 30 2A 30 41 30 36 02 43 32 31 37 03 1B 0D");
    QTest::newRow("whole") << example << int(D::Ok) << 15;
    QTest::newRow("first half of a split frame") << example.left(7) << int(D::Incomplete) << 0;
    QTest::newRow("all but CR") << example.left(14) << int(D::Incomplete) << 0;
    QByteArray badBcc = example;
    badBcc[13] = 0x1C;
    QTest::newRow("wrong block check code") << badBcc << int(D::BadBlockCheck) << 15;
    QTest::newRow("two frames: first one") << example + example << int(D::Ok) << 15;
    QTest::newRow("garbage before SOH") << QByteArray("xx") + example << int(D::Malformed) << 2;
    QTest::newRow("no SOH at all") << QByteArray("hello") << int(D::Malformed) << 5;
    QByteArray noEtx = example;
    noEtx[12] = 0x04;
    QTest::newRow("ETX missing") << noEtx << int(D::Malformed) << 1;
    QByteArray badLength = example;
    badLength[5] = 'G';
    QTest::newRow("length not hex") << badLength << int(D::Malformed) << 1;
}

void tst_SimProtocol::controlDecode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(int, consumed);
    ControlFrame::Frame f;
    int n = -1;
    QCOMPARE(int(ControlFrame::decode(bytes, &f, &n)), result);
    QCOMPARE(n, consumed);
}

void tst_SimProtocol::commandAnswers_data()
{
    QTest::addColumn<int>("families");
    QTest::addColumn<char>("type");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<char>("replyType");
    QTest::addColumn<QByteArray>("reply");
    const int all = CommandFamily::All;
    const int newer = CommandFamily::All & ~CommandFamily::LegacyFirmware;
    QTest::newRow("model name") << all << 'A' << QByteArray("C217") << 'B' << QByteArray("C3174B352D353532");
    QTest::newRow("serial") << all << 'A' << QByteArray("C216") << 'B' << QByteArray("C3163132413435363738");
    QTest::newRow("power status") << all << 'A' << QByteArray("01D6") << 'B' << QByteArray("0200D60000040001");
    QTest::newRow("legacy firmware") << all << 'A' << QByteArray("C03F") << 'B' << QByteArray("C13F52312E333030");
    QTest::newRow("legacy firmware unknown") << newer << 'A' << QByteArray("C03F") << 'B' << QByteArray("BE");
    QTest::newRow("legacy versions, 8 bytes each")
        << all << 'A' << QByteArray("C03E") << 'B'
        << QByteArray("C13E" "312E313000000000" "2D2E2D0000000000" "0000000000000000" "4142434445464748");
    QTest::newRow("asset first half, 0xFF padded")
        << all << 'A' << QByteArray("C00B0020") << 'B' << QByteArray("C10BLobby") + QByteArray(27, '\xFF');
    QTest::newRow("asset second half") << all << 'A' << QByteArray("C00B2020") << 'B'
                                       << QByteArray("C10B") + QByteArray(32, '\xFF');
    QTest::newRow("asset unknown") << int(CommandFamily::Firmware) << 'A' << QByteArray("C00B0020") << 'B' << QByteArray("BE");
    QTest::newRow("power save read") << all << 'A' << QByteArray("CA0B00") << 'B' << QByteArray("CB0B0002");
    QTest::newRow("firmware current") << all << 'A' << QByteArray("CA0200") << 'B' << QByteArray("CB020000R1.300");
    QTest::newRow("firmware FW1") << all << 'A' << QByteArray("CA0201") << 'B' << QByteArray("CB020001" "1.10");
    QTest::newRow("firmware FW2 placeholder") << all << 'A' << QByteArray("CA0202") << 'B' << QByteArray("CB020002-.-");
    QTest::newRow("firmware FW3 not reported") << all << 'A' << QByteArray("CA0203") << 'B' << QByteArray("CB020103");
    QTest::newRow("firmware index 5") << all << 'A' << QByteArray("CA0205") << 'B' << QByteArray("CB020105");
    QTest::newRow("firmware unknown") << int(CommandFamily::LegacyFirmware) << 'A' << QByteArray("CA0200") << 'B' << QByteArray("BE");
    QTest::newRow("unknown command") << all << 'A' << QByteArray("ZZZZ") << 'B' << QByteArray("BE");
    QTest::newRow("power param get") << all << 'C' << QByteArray("00D6") << 'D' << QByteArray("0000D600FFFF0001");
    QTest::newRow("progress idle") << all << 'C' << QByteArray("1306") << 'D' << QByteArray("00130600FFFF00C8");
    QTest::newRow("upload request token") << all << 'E' << QByteArray("13070001") << 'F' << QByteArray("00130700FFFF2A3B");
    QTest::newRow("start without upload request") << all << 'E' << QByteArray("13030001") << 'F' << QByteArray("01130300FFFF0000");
    QTest::newRow("parameters unknown") << (newer & ~CommandFamily::Parameters) << 'E' << QByteArray("13070001") << 'F' << QByteArray("BE");
    QTest::newRow("unknown get") << all << 'C' << QByteArray("9999") << 'D' << QByteArray("BE");
}

void tst_SimProtocol::commandAnswers()
{
    QFETCH(int, families);
    QFETCH(char, type);
    QFETCH(QByteArray, message);
    QFETCH(char, replyType);
    QFETCH(QByteArray, reply);
    DisplayConfig c = sampleDisplay();
    c.commandFamilies = families;
    DisplayState s = DisplayState::initial(c);
    const ControlAnswer a = answerRequest(c, s, ControlFrame::Frame{'*', '0', type, message});
    QCOMPARE(a.type, replyType);
    QCOMPARE(a.message, reply);
}

void tst_SimProtocol::powerAndPowerSaveChangeState()
{
    const DisplayConfig c = sampleDisplay();
    DisplayState s = DisplayState::initial(c);
    const auto command = [&](const QByteArray &m) {
        return answerRequest(c, s, ControlFrame::Frame{'*', '0', 'A', m}).message;
    };
    QCOMPARE(command("C203D60004"), QByteArray("00C203D60004"));
    QCOMPARE(s.powerState, 4);
    QCOMPARE(command("01D6"), QByteArray("0200D60000040004"));
    QCOMPARE(command("C203D60001"), QByteArray("00C203D60001"));
    QCOMPARE(s.powerState, 1);
    QCOMPARE(command("C203D60009"), QByteArray("01C203D60009"));
    QCOMPARE(s.powerState, 1);

    // Every accepted change is answered CB0B0100, whatever the mode.
    QCOMPARE(command("CA0B0100"), QByteArray("CB0B0100"));
    QCOMPARE(s.powerSaveMode, 0);
    QCOMPARE(command("CA0B0101"), QByteArray("CB0B0100"));
    QCOMPARE(command("CA0B00"), QByteArray("CB0B0001"));
    QCOMPARE(command("CA0B0103"), QByteArray("CB0B0101"));
    QCOMPARE(s.powerSaveMode, 1);
}

void tst_SimProtocol::unreadableWhileOff()
{
    DisplayConfig c = sampleDisplay();
    c.readableWhenOff = false;
    c.powerState = 4;
    DisplayState s = DisplayState::initial(c);
    const auto command = [&](const QByteArray &m) {
        return answerRequest(c, s, ControlFrame::Frame{'*', '0', 'A', m}).message;
    };
    QCOMPARE(command("C217"), QByteArray("BE"));
    QCOMPARE(command("CA0200"), QByteArray("BE"));
    QCOMPARE(command("01D6"), QByteArray("0200D60000040004"));
    QCOMPARE(answerRequest(c, s, ControlFrame::Frame{'*', '0', 'C', "00D6"}).message, QByteArray("0000D600FFFF0004"));
    QCOMPARE(command("C203D60001"), QByteArray("00C203D60001"));
    QCOMPARE(command("C217"), QByteArray("C3174B352D353532"));
}

void tst_SimProtocol::keyedUpdateParameters()
{
    DisplayConfig c = sampleDisplay();
    c.progressStep = 50;
    DisplayState s = DisplayState::initial(c);
    const auto request = [&](char type, const QByteArray &m) {
        return answerRequest(c, s, ControlFrame::Frame{'*', '0', type, m}).message.right(4);
    };
    QCOMPARE(request('E', "13070001"), QByteArray("2A3B"));
    QCOMPARE(request('E', "13030001"), QByteArray("0001"));
    QCOMPARE(request('C', "1306"), QByteArray("0000"));
    QCOMPARE(request('C', "1306"), QByteArray("0032"));
    QCOMPARE(request('C', "1306"), QByteArray("0064"));
    QCOMPARE(request('C', "1306"), QByteArray("00C8"));

    c.updateFails = true;
    QCOMPARE(request('E', "13070001"), QByteArray("2A3B"));
    QCOMPARE(request('E', "13030001"), QByteArray("0001"));
    QCOMPARE(request('C', "1306"), QByteArray("0000"));
    QCOMPARE(request('C', "1306"), QByteArray("00D0"));
    QCOMPARE(request('C', "1306"), QByteArray("00D0"));
}

void tst_SimProtocol::fleetFileErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("not JSON") << QByteArray("{") << "not JSON";
    QTest::newRow("missing address") << QByteArray(R"([{"modelName":"X"}])") << "address";
    QTest::newRow("application address") << QByteArray(R"([{"address":"127.0.0.1"}])") << "127.0.0.1";
    QTest::newRow("IPv6") << QByteArray(R"([{"address":"::1"}])") << "IPv4";
    QTest::newRow("twice") << QByteArray(R"([{"address":"127.0.0.2"},{"address":"127.0.0.2"}])") << "twice";
    QTest::newRow("second address clash") << QByteArray(R"([{"address":"127.0.0.2"},{"address":"127.0.0.3","address2":"127.0.0.2"}])") << "twice";
    QTest::newRow("bad MAC") << QByteArray(R"([{"address":"127.0.0.2","macAddress":"00-11"}])") << "macAddress";
    QTest::newRow("string series") << QByteArray(R"([{"address":"127.0.0.2","seriesCode":"3"}])") << "seriesCode";
    QTest::newRow("five versions") << QByteArray(R"([{"address":"127.0.0.2","fwVersions":["1","2","3","4","5"]}])") << "fwVersions";
    QTest::newRow("huge number") << QByteArray(R"([{"address":"127.0.0.2","powerState":1e300}])") << "powerState";
    QTest::newRow("fraction") << QByteArray(R"([{"address":"127.0.0.2","seriesCode":3.5}])") << "seriesCode";
    QTest::newRow("power save 3") << QByteArray(R"([{"address":"127.0.0.2","powerSaveMode":3}])") << "powerSaveMode";
    QTest::newRow("unknown family") << QByteArray(R"([{"address":"127.0.0.2","commands":["teleport"]}])") << "commands";
    QTest::newRow("unknown udp fault") << QByteArray(R"([{"address":"127.0.0.2","faults":{"udp":"loud"}}])") << "udp";
    QTest::newRow("unknown tcp fault") << QByteArray(R"([{"address":"127.0.0.2","faults":{"tcp":[{"command":"C217","fault":"explode"}]}}])") << "fault";
    QTest::newRow("entry not object") << QByteArray(R"([3])") << "not an object";
}

void tst_SimProtocol::fleetFileErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, errorPart);
    QList<DisplayConfig> fleet;
    QString error;
    QVERIFY(!parseFleet(json, &fleet, &error));
    QVERIFY2(error.contains(errorPart), qPrintable(error));
}

void tst_SimProtocol::fleetFileDefaultsAndFaults()
{
    const QByteArray json = R"({"displays":[
        {"address":"127.0.0.2","modelName":"K5-552","serialNumber":"S1","macAddress":"00:1a:2B:3c:4D:5e"},
        {"address":"127.0.0.3","address2":"0.0.0.0","commands":["asset"],
         "faults":{"udp":"staleSequence","tcpRefuse":true,"httpStatus":503,
                   "tcp":[{"command":"C216","fault":"delay","times":1},{"command":"*","fault":"split","ms":30}]}}]})";
    QList<DisplayConfig> fleet;
    QString error;
    QVERIFY2(parseFleet(json, &fleet, &error), qPrintable(error));
    QCOMPARE(fleet.size(), 2);
    const DisplayConfig &a = fleet.at(0);
    QCOMPARE(macText(a.mac), QStringLiteral("00-1A-2B-3C-4D-5E"));
    QCOMPARE(a.identity, QByteArray("S1"));
    QCOMPARE(a.udpReplyType, 8u);
    QCOMPARE(a.commandFamilies, int(CommandFamily::All));
    QCOMPARE(a.powerState, 1);
    QCOMPARE(a.powerSaveMode, 2);
    const DisplayConfig &b = fleet.at(1);
    QCOMPARE(b.commandFamilies, int(CommandFamily::Asset));
    QCOMPARE(b.udpFault, UdpFault::StaleSequence);
    QVERIFY(b.refuseTcp);
    QCOMPARE(b.httpStatus, 503);
    QCOMPARE(b.commandFaults.size(), 2);
    QCOMPARE(b.commandFaults.at(0).delayMs, 10000);
    QCOMPARE(b.commandFaults.at(0).times, 1);
    QVERIFY(b.commandFaults.at(0).matches("C216"));
    QVERIFY(!b.commandFaults.at(0).matches("C217"));
    QVERIFY(b.commandFaults.at(1).matches("CA0201"));
    QCOMPARE(b.commandFaults.at(1).delayMs, 30);
}

void tst_SimProtocol::generatedFleetIsDeterministic()
{
    const QList<DisplayConfig> a = generateFleet(600, QHostAddress(QStringLiteral("127.0.1.250")));
    const QList<DisplayConfig> b = generateFleet(600, QHostAddress(QStringLiteral("127.0.1.250")));
    QCOMPARE(a.size(), 600);
    QSet<quint32> addresses;
    for (int i = 0; i < a.size(); ++i) {
        QCOMPARE(a.at(i).toJson(), b.at(i).toJson());
        const quint32 host = a.at(i).address.toIPv4Address();
        QVERIFY((host & 0xFF) != 0 && (host & 0xFF) != 0xFF);
        addresses.insert(host);
    }
    QCOMPARE(addresses.size(), 600);
    QCOMPARE(a.at(5).address, QHostAddress(QStringLiteral("127.0.2.1")));
    QVERIFY(a.at(0).modelName != a.at(1).modelName);
}

void tst_SimProtocol::httpRequestParsing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    using P = HttpMessage::Parse;
    QTest::newRow("get") << QByteArray("GET /index.html HTTP/1.1\r\nHost: 127.0.0.2\r\n\r\n") << int(P::Ok)
                         << QByteArray("/index.html") << QByteArray();
    QTest::newRow("query split off") << QByteArray("GET /update/UpdateResult.json?=_090503007 HTTP/1.1\r\n\r\n")
                                     << int(P::Ok) << QByteArray("/update/UpdateResult.json") << QByteArray();
    QTest::newRow("post body") << QByteArray("POST /x HTTP/1.1\r\nContent-Length: 11\r\n\r\nundefined\r\n")
                               << int(P::Ok) << QByteArray("/x") << QByteArray("undefined\r\n");
    QTest::newRow("body incomplete") << QByteArray("POST /x HTTP/1.1\r\nContent-Length: 12\r\n\r\nundefined\r\n")
                                     << int(P::Incomplete) << QByteArray() << QByteArray();
    QTest::newRow("headers incomplete") << QByteArray("GET / HTTP/1.1\r\nHost:") << int(P::Incomplete)
                                        << QByteArray() << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x16\x03\x01\r\n\r\n") << int(P::Bad) << QByteArray() << QByteArray();
    QTest::newRow("negative length") << QByteArray("POST /x HTTP/1.1\r\nContent-Length: -1\r\n\r\n") << int(P::Bad)
                                     << QByteArray() << QByteArray();
    QTest::newRow("huge header") << QByteArray("GET / HTTP/1.1\r\nX: ") + QByteArray(20000, 'a') << int(P::Bad)
                                 << QByteArray() << QByteArray();
}

void tst_SimProtocol::httpRequestParsing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    HttpRequest r;
    int consumed = 0;
    QCOMPARE(int(HttpMessage::parseRequest(bytes, &r, &consumed)), result);
    if (result == int(HttpMessage::Parse::Ok)) {
        QCOMPARE(consumed, bytes.size());
        QCOMPARE(r.path, path);
        QCOMPARE(r.body, body);
    }
}

void tst_SimProtocol::randomBytesNeverCrash()
{
    // Mutations of valid inputs reach deeper than pure noise.
    const QByteArray frame = ControlFrame::encodeRequest('A', "C203D60001");
    const QByteArray search = handBuiltRequest(1, 3, 0, 0x100);
    const QByteArray http = "POST /x HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody";
    const QByteArray fleet = R"([{"address":"127.0.0.2","fwVersions":["1"],"faults":{"tcp":[{"command":"*","fault":"delay"}]}}])";
    QRandomGenerator random(20241118);
    const auto mutate = [&random](QByteArray bytes) {
        const int edits = 1 + int(random.bounded(4));
        for (int i = 0; i < edits && !bytes.isEmpty(); ++i)
            bytes[int(random.bounded(int(bytes.size())))] = char(random.bounded(256));
        return bytes.left(int(random.bounded(int(bytes.size()) + 1)));
    };
    const DisplayConfig config = sampleDisplay();
    for (int round = 0; round < 3000; ++round) {
        ControlFrame::Frame f;
        int consumed = 0;
        if (ControlFrame::decode(mutate(frame), &f, &consumed) == ControlFrame::Decode::Ok) {
            DisplayState state = DisplayState::initial(config);
            answerRequest(config, state, f);
        }
        SearchDatagram::parseRequest(mutate(search), nullptr);
        HttpRequest request;
        HttpMessage::parseRequest(mutate(http), &request, &consumed);
        QList<DisplayConfig> configs;
        QString error;
        parseFleet(mutate(fleet), &configs, &error);
    }
}

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_simprotocol.moc"

// The simulator's codecs byte for byte, and its answer to bad fleet files;
// the rest of the simulator is driven end to end by the application's tests.

#include "simprotocol/controlframe.h"
#include "simprotocol/displayconfig.h"
#include "simprotocol/httpmessage.h"
#include "simprotocol/searchdatagram.h"

#include <QtTest>

namespace {

// A 128-byte search request built by hand: magic, marker 0x14, sequence,
// length 0x70, timestamp, type, reserved, filter A 0x31, filter B 0x100.
QByteArray request(quint16 sequence, quint32 type)
{
    QByteArray d = QByteArray::fromHex("4B52574A 14000000 0000 7000 78563412 00000000 00000000 31000000 00010000") + QByteArray(96, '\0');
    qToLittleEndian<quint16>(sequence, d.data() + 8);
    d[16] = char(type);
    return d;
}

QByteArray with(QByteArray bytes, int at, char value)
{
    bytes[at] = value;
    return bytes;
}

} // namespace

class tst_SimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void searchRequestChecks_data();
    void searchRequestChecks();
    void searchReplyLayout_data();
    void searchReplyLayout();
    void controlFrames_data();
    void controlFrames();
    void httpRequestParsing_data();
    void httpRequestParsing();
    void badFleetFiles_data();
    void badFleetFiles();
};

void tst_SimProtocol::searchRequestChecks_data()
{
    // Each datagram as a request, and whether it acknowledges request(0x1234, 3)
    // (the encoder's bytes for that request with type 5, then 128 zero bytes).
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("check");
    QTest::addColumn<bool>("acknowledges");
    using C = SearchDatagram::RequestCheck;
    const QByteArray good = request(0x1234, 3);
    const QByteArray zeros(128, '\0');
    QTest::newRow("good") << good << int(C::Ok) << false;
    QTest::newRow("empty") << QByteArray() << int(C::WrongSize) << false;
    QTest::newRow("127 bytes") << good.left(127) << int(C::WrongSize) << false;
    QTest::newRow("reply magic") << with(good, 3, 'D') << int(C::WrongMagic) << false;
    QTest::newRow("byte 4") << with(good, 4, 0x15) << int(C::WrongHeader) << false;
    QTest::newRow("length word") << with(good, 10, 0x71) << int(C::WrongHeader) << false;
    QTest::newRow("256 bytes, type 3") << good + zeros << int(C::WrongSize) << false;
    QTest::newRow("128 bytes, type 5") << request(0x1234, 5) << int(C::WrongSize) << false;
    QTest::newRow("acknowledgement") << request(0x1234, 5) + zeros << int(C::Ok) << true;
    QTest::newRow("ack, other sequence") << request(0x1235, 5) + zeros << int(C::Ok) << false;
    QTest::newRow("ack, dirty tail") << with(request(0x1234, 5) + zeros, 200, 1) << int(C::Ok) << false;
}

void tst_SimProtocol::searchRequestChecks()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, check);
    QFETCH(bool, acknowledges);
    SearchDatagram::Request parsed;
    QCOMPARE(int(SearchDatagram::parseRequest(datagram, &parsed)), check);
    if (check == int(SearchDatagram::RequestCheck::Ok)) // every field read back
        QCOMPARE(SearchDatagram::encodeRequest(parsed).toHex(' '), datagram.left(128).toHex(' '));
    const SearchDatagram::Request asked{0x1234, 0x70, 0x12345678, 3, 0x31, 0x100};
    QCOMPARE(SearchDatagram::isAcknowledgementOf(datagram, asked), acknowledges);
}

void tst_SimProtocol::searchReplyLayout_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("magic, sequence, type") << 0 << QByteArray::fromHex("4B 52 57 44 00 00 00 00 34 12 00 00 00 00 00 00 02 00 00 00");
    QTest::newRow("identity + NUL") << 32 << QByteArray("ID-1\0", 5);
    QTest::newRow("MAC in order") << 56 << QByteArray::fromHex("0A FF 00 01 02 03");
    QTest::newRow("model fills room, no NUL") << 96 << QByteArray(48, 'M') + QByteArray::fromHex("31 00 00 00");
    QTest::newRow("flags B, status, series, address2 in network order") << 148 << QByteArray::fromHex("00010000 2A000000 45000000 00000000 00000000 7F000066");
    QTest::newRow("FW1, FW2 cut to room, FW3") << 180 << QByteArray("1.10\0\0\0\0\0" "123456789\0", 19);
    QTest::newRow("FW4 runs to current") << 207 << QByteArray(19, 'F') + QByteArray("R1.300\0", 7);
    QTest::newRow("current to end") << 226 << QByteArray("R1.300") + QByteArray(24, '\0');
}

void tst_SimProtocol::searchReplyLayout()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, expected);
    // A model name and FW2 longer than their room; address 2 is 127.0.0.102.
    const SearchDatagram::Reply r{"KRWD", 0x1234, 2, "ID-1", {0x0A, 0xFF, 0x00, 0x01, 0x02, 0x03}, QByteArray(60, 'M'), 0x31, 0x100,
                                  '*', 69, 0x7F000066, {QByteArray("1.10"), "123456789ABC", QByteArray(), QByteArray(19, 'F')}, "R1.300"};
    const QByteArray d = SearchDatagram::encodeReply(r);
    QCOMPARE(d.size(), 256);
    QCOMPARE(d.mid(offset, expected.size()).toHex(' '), expected.toHex(' '));
}

void tst_SimProtocol::controlFrames_data()
{
    // Frames built by hand; "fields" of one decoded Ok: destination, source, type, message.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<QByteArray>("fields");
    using D = ControlFrame::Decode;
    const QByteArray example = QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 32 31 37 03 1B 0D");
    QTest::newRow("request") << example << int(D::Ok) << 15 << QByteArray("*0AC217");
    QTest::newRow("reply BE") << QByteArray::fromHex("01 30 30 41 42 30 34 02 42 45 03 01 0D") << int(D::Ok) << 13 << QByteArray("0ABBE");
    QTest::newRow("reply, length 0E") << QByteArray::fromHex("01 30 30 41 42 30 45 02 30 30 43 32 30 33 44 36 30 30 30 34 03 73 0D")
                                      << int(D::Ok) << 23 << QByteArray("0AB00C203D60004");
    QTest::newRow("two frames: first one") << example + example << int(D::Ok) << 15 << QByteArray("*0AC217");
    QTest::newRow("first half") << example.left(7) << int(D::Incomplete) << 0 << QByteArray();
    QTest::newRow("all but CR") << example.left(14) << int(D::Incomplete) << 0 << QByteArray();
    QTest::newRow("wrong block check code") << with(example, 13, 0x1C) << int(D::BadBlockCheck) << 15 << QByteArray();
    QTest::newRow("garbage before SOH") << QByteArray("xx") + example << int(D::Malformed) << 2 << QByteArray();
    QTest::newRow("no SOH at all") << QByteArray("hello") << int(D::Malformed) << 5 << QByteArray();
    QTest::newRow("ETX missing") << with(example, 12, 0x04) << int(D::Malformed) << 1 << QByteArray();
    QTest::newRow("length not hex") << with(example, 5, 'G') << int(D::Malformed) << 1 << QByteArray();
}

void tst_SimProtocol::controlFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(int, consumed);
    QFETCH(QByteArray, fields);
    ControlFrame::Frame f;
    int n = -1;
    QCOMPARE(int(ControlFrame::decode(bytes, &f, &n)), result);
    QCOMPARE(n, consumed);
    if (result == int(ControlFrame::Decode::Ok)) {
        QCOMPARE(QByteArray(1, f.destination).append(f.source).append(f.type).append(f.message), fields);
        QCOMPARE(ControlFrame::encode(f).toHex(' '), bytes.left(n).toHex(' '));
    }
}

void tst_SimProtocol::httpRequestParsing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("pathAndBody"); // of a request parsed Ok
    using P = HttpMessage::Parse;
    using B = QByteArray;
    QTest::newRow("get") << B("GET /index.html HTTP/1.1\r\nHost: 127.0.0.2\r\n\r\n") << int(P::Ok) << B("/index.html ");
    QTest::newRow("query split off") << B("GET /a.json?=_0905 HTTP/1.1\r\n\r\n") << int(P::Ok) << B("/a.json ");
    QTest::newRow("post body") << B("POST /x HTTP/1.1\r\nContent-Length: 11\r\n\r\nundefined\r\n") << int(P::Ok) << B("/x undefined\r\n");
    QTest::newRow("body incomplete") << B("POST /x HTTP/1.1\r\nContent-Length: 12\r\n\r\nundefined\r\n") << int(P::Incomplete) << B();
    QTest::newRow("headers incomplete") << B("GET / HTTP/1.1\r\nHost:") << int(P::Incomplete) << B();
    QTest::newRow("garbage") << B("\x16\x03\x01\r\n\r\n") << int(P::Bad) << B();
    QTest::newRow("negative length") << B("POST /x HTTP/1.1\r\nContent-Length: -1\r\n\r\n") << int(P::Bad) << B();
    QTest::newRow("huge header") << B("GET / HTTP/1.1\r\nX: ") + B(20000, 'a') << int(P::Bad) << B();
}

void tst_SimProtocol::httpRequestParsing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QByteArray, pathAndBody);
    HttpRequest r;
    int consumed = 0;
    QCOMPARE(int(HttpMessage::parseRequest(bytes, &r, &consumed)), result);
    if (result == int(HttpMessage::Parse::Ok)) {
        QCOMPARE(consumed, bytes.size());
        QCOMPARE(r.path + ' ' + r.body, pathAndBody);
    }
}

void tst_SimProtocol::badFleetFiles_data()
{
    // Each document is refused with a reason that names the culprit.
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("not JSON") << QByteArray("{") << "not JSON";
    QTest::newRow("binary") << QByteArray("\x00\xFF\x16\x03", 4) << "not JSON";
    QTest::newRow("entry not object") << QByteArray(R"([3])") << "not an object";
    QTest::newRow("missing address") << QByteArray(R"([{"modelName":"X"}])") << "address";
    QTest::newRow("application address") << QByteArray(R"([{"address":"127.0.0.1"}])") << "127.0.0.1";
    QTest::newRow("twice") << QByteArray(R"([{"address":"127.0.0.2"},{"address":"127.0.0.3","address2":"127.0.0.2"}])") << "twice";
    QTest::newRow("bad MAC") << QByteArray(R"([{"address":"127.0.0.2","macAddress":"00-11"}])") << "macAddress";
    QTest::newRow("fraction") << QByteArray(R"([{"address":"127.0.0.2","seriesCode":3.5}])") << "seriesCode";
    QTest::newRow("huge number") << QByteArray(R"([{"address":"127.0.0.2","powerState":1e300}])") << "powerState";
    QTest::newRow("five versions") << QByteArray(R"([{"address":"127.0.0.2","fwVersions":["1","2","3","4","5"]}])") << "fwVersions";
    QTest::newRow("unknown udp fault") << QByteArray(R"([{"address":"127.0.0.2","faults":{"udp":"loud"}}])") << "udp";
    QTest::newRow("unknown tcp fault") << QByteArray(R"([{"address":"127.0.0.2","faults":{"tcp":[{"command":"C217","fault":"explode"}]}}])") << "fault";
}

void tst_SimProtocol::badFleetFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, errorPart);
    QList<DisplayConfig> fleet;
    QString error;
    QVERIFY(!parseFleet(json, &fleet, &error));
    QVERIFY2(error.contains(errorPart), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_simprotocol.moc"

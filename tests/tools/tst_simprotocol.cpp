// The simulator's codecs byte for byte, and its answer to bad fleet files;
// the rest of the simulator is driven end to end by the application's tests.

#include "simprotocol/controlframe.h"
#include "simprotocol/displayconfig.h"
#include "simprotocol/httpmessage.h"
#include "simprotocol/searchdatagram.h"
#include "simprotocol/updaterequest.h"

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

// An update request example built from pieces; `fixed` marks the bytes a
// correct client cannot vary (framing, names, listed values).
struct Example
{
    QByteArray bytes;
    QList<int> fixed;
    Example &add(const QByteArray &piece, bool isFixed = true)
    {
        for (int i = 0; i < piece.size() && isFixed; ++i)
            fixed << bytes.size() + i;
        bytes += piece;
        return *this;
    }
    // "Name: value" lines; the separators are not varied.
    Example &header(const QByteArray &name, const QByteArray &value, bool valueFixed = true)
    {
        return add(name).add(": ", false).add(value, valueFixed).add("\r\n", false);
    }
};

} // namespace

Q_DECLARE_METATYPE(Example)

namespace {

// The problems that a display finds in an example of `kind`.
QStringList problemsOf(const QString &kind, const QByteArray &bytes)
{
    using namespace UpdateRequest;
    if (kind == QLatin1String("query")) {
        const Target t = classify(Dialect::Cgi, "POST", bytes);
        return t.step == Step::UpdateCommand ? t.problems : QStringList{QStringLiteral("other step")};
    }
    if (kind == QLatin1String("standby body"))
        return checkCommandBody(Dialect::Cgi, Step::Standby, bytes);
    if (kind.startsWith(QLatin1String("M")) || kind == QLatin1String("keyed body")) {
        const Multipart form = kind == QLatin1String("M1") ? Multipart::M1 : kind == QLatin1String("M2") ? Multipart::M2 : Multipart::Keyed;
        return checkMultipart(form, bytes, form == Multipart::Keyed ? "b1" : "AaB03x");
    }
    Headers headers;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.size() > 1)
            headers.append({line.left(line.indexOf(": ")), line.mid(line.indexOf(": ") + 2).chopped(1)});
    }
    if (kind == QLatin1String("keyed headers")) {
        QByteArray boundary;
        QStringList problems = checkKeyedHeaders(headers, "47a335b06240aed5cc2a21e47b66a5a3", &boundary);
        return boundary == "b1" ? problems : problems << QStringLiteral("boundary");
    }
    const QHash<QString, HeaderSet> sets{{"A", HeaderSet::A}, {"B", HeaderSet::B}, {"J", HeaderSet::J}, {"D1", HeaderSet::D1},
                                         {"D2", HeaderSet::D2}, {"chunked POST", HeaderSet::ChunkedPost}};
    return checkHeaders(sets.value(kind), headers, "127.0.0.2", 11);
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
    void updateTargets_data();
    void updateTargets();
    void updateExamples_data();
    void updateExamples();
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
    QTest::newRow("unknown update step") << QByteArray(R"([{"address":"127.0.0.2","faults":{"update":{"drop":{"step":"reboot"}}}}])") << "drop";
    QTest::newRow("error status 200") << QByteArray(R"([{"address":"127.0.0.2","faults":{"update":{"errorStatus":{"step":"standby","status":200}}}}])") << "errorStatus";
    QTest::newRow("not yet at a command") << QByteArray(R"([{"address":"127.0.0.2","faults":{"update":{"notYet":{"step":"standby"}}}}])") << "notYet";
    QTest::newRow("update faults not an object") << QByteArray(R"([{"address":"127.0.0.2","faults":{"update":[]}}])") << "update";
    QTest::newRow("time scale zero") << QByteArray(R"({"updateTimeScale":0,"displays":[{"address":"127.0.0.2"}]})") << "updateTimeScale";
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

void tst_SimProtocol::updateTargets_data()
{
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("components"); // the update command's list; "bad" when problems are expected
    using D = UpdateRequest::Dialect;
    const QByteArray uuid = "&_=0f8fad5b-d9cb-469f-a165-70867728950e";
    QTest::newRow("no slot pending") << int(D::Cgi) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?UM=00T=t=090503007") << "updateCommand" << "";
    QTest::newRow("all six") << int(D::Timed) << QByteArray("POST") << QByteArray("/pjctrl?UM=00T=1,2,3,4,5,6t=235959999") << "updateCommand" << "1,2,3,4,5,6";
    QTest::newRow("list descending") << int(D::Cgi) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?UM=00T=3,1t=090503007") << "updateCommand" << "bad";
    QTest::newRow("list with a space") << int(D::Cgi) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?UM=00T=1, 3t=090503007") << "updateCommand" << "bad";
    QTest::newRow("hour 24") << int(D::Cgi) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?MM=00t=240503007") << "standby" << "bad";
    QTest::newRow("stamp with colons") << int(D::Timed) << QByteArray("GET") << QByteArray("/pjctrl?URM=09:05:03") << "updateResult" << "bad";
    QTest::newRow("result ?=_") << int(D::Cgi) << QByteArray("GET") << QByteArray("/update/UpdateResult.json?=_090503007") << "updateResult" << "";
    QTest::newRow("result ?_=") << int(D::Cgi) << QByteArray("GET") << QByteArray("/update/UpdateResult.json?_=090503007") << "updateResult" << "bad";
    QTest::newRow("state by POST") << int(D::Cgi) << QByteArray("POST") << QByteArray("/update/FileCheckResult.json?_=090503007") << "uploadState" << "bad";
    QTest::newRow("token") << int(D::Chunked) << QByteArray("GET") << QByteArray("/pjctrl?J=0") + uuid << "standby" << "";
    QTest::newRow("token upper case") << int(D::Chunked) << QByteArray("POST") << QByteArray("/pjctrl?CM=00") + "&_=" + uuid.mid(3).toUpper() << "upload" << "bad";
    QTest::newRow("token in braces") << int(D::Chunked) << QByteArray("GET") << "/pjctrl?URM=0&_={" + uuid.mid(3) + '}' << "updateResult" << "bad";
    QTest::newRow("no token") << int(D::Chunked) << QByteArray("GET") << QByteArray("/pjctrl?CRM=0") << "fileCheck" << "bad";
    QTest::newRow("legacy") << int(D::Legacy) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?U=77777") << "upload" << "";
    QTest::newRow("legacy with stamp") << int(D::Legacy) << QByteArray("POST") << QByteArray("/cgi-bin/cgictrl?U=77777t=090503007") << "upload" << "bad";
    QTest::newRow("keyed by GET") << int(D::Keyed) << QByteArray("GET") << QByteArray("/upload") << "upload" << "bad";
    QTest::newRow("path of another dialect") << int(D::Cgi) << QByteArray("GET") << QByteArray("/pjctrl?J=0") + uuid << "unknown" << "bad";
    QTest::newRow("garbage") << int(D::Timed) << QByteArray("\xff") << QByteArray("\x00?\xff=\x01") << "unknown" << "bad";
}

void tst_SimProtocol::updateTargets()
{
    QFETCH(int, dialect);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QString, step);
    QFETCH(QString, components);
    const UpdateRequest::Target t = UpdateRequest::classify(UpdateRequest::Dialect(dialect), method, target);
    QCOMPARE(UpdateRequest::stepName(t.step), step);
    QCOMPARE(t.problems.isEmpty(), components != QLatin1String("bad"));
    if (t.problems.isEmpty()) {
        QStringList list;
        for (int c : t.components)
            list << QString::number(c);
        QCOMPARE(list.join(QLatin1Char(',')), components);
    }
}

void tst_SimProtocol::updateExamples_data()
{
    // Each example as a correct client sends it; every byte that it cannot
    // vary is then changed on its own, and each change must be reported.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Example>("example");
    QTest::newRow("standby body") << "standby body" << Example().add("undefined\r\n");
    QTest::newRow("update command query") << "query" << Example().add("/cgi-bin/cgictrl?UM=00T=").add("1,3", false).add("t=").add("090503007", false);
    const QByteArray file("\x00--AaB03x\r\n\xff", 13);
    Example a;
    a.header("X-Requested-With", "XMLHttpRequest").header("Accept", "text/plain, */*").header("Accept-Language", "ja")
        .header("Content-type", "text/plain;charset=UTF-8").header("Accept-Encoding", "gzip, deflate").header("Host", "127.0.0.2");
    Example b = a;
    b.header("Connection", "Keep-Alive").header("Cache-Control", "no-cache");
    // The HTTP library moves Content-Length behind the headers given to it.
    a.header("Connection", "Keep-Alive").header("Cache-Control", "no-cache").header("Content-Length", "11").header("User-Agent", "Mozilla/5.0", false);
    QTest::newRow("A") << "A" << a;
    QTest::newRow("B") << "B" << b;
    QTest::newRow("J") << "J" << Example().header("X-Requested-With", "XMLHttpRequest").header("Accept", "application/json, text/javascript, */*")
                                   .header("Accept-Language", "ja").header("Accept-Encoding", "gzip, deflate").header("Host", "127.0.0.2")
                                   .header("Connection", "Keep-Alive");
    for (const char *set : {"D1", "D2"}) {
        QTest::newRow(set) << set << Example().header("Host", "updater.local", false)
                                         .header("Content-type", set == QByteArray("D1") ? "multipart/form-data, boundary=AaB03x" : "multipart/form-data; boundary=AaB03x")
                                         .header("Cache-Control", "no-cache").header("Accept", "*/*").header("Content-Length", "11");
    }
    QTest::newRow("chunked POST") << "chunked POST" << Example().header("Content-Type", "application/x-www-form-urlencoded").header("Content-Length", "11", false);
    QTest::newRow("keyed headers") << "keyed headers" << Example().header("X-Api-Key", "47a335b06240aed5cc2a21e47b66a5a3")
                                                           .header("Content-Type", "multipart/form-data; boundary=\"b1\"").header("MIME-Version", "1.0", false);
    Example m2;
    m2.add("--AaB03x\r\nContent-Disposition: form-data; name=\"updatefile\"; filename=\"").add("fw.pkg", false)
        .add("\"\r\nContent-Transfer-Encoding: binary\r\n\r\n").add(file, false).add("\r\n--AaB03x--\r\n");
    Example m1;
    m1.add("--AaB03x\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\n").add("fw@example.com", false).add("\r\n");
    QTest::newRow("M2") << "M2" << m2;
    for (int &i : m2.fixed)
        i += m1.bytes.size();
    m1.fixed += m2.fixed;
    m1.bytes += m2.bytes;
    QTest::newRow("M1") << "M1" << m1;
    QTest::newRow("keyed body") << "keyed body" << Example().add("--b1\r\nContent-Disposition: form-data; name=\"file\"; filename=\"").add("/tmp/fw.bin", false)
                                                     .add("\"\r\n\r\n").add(file, false).add("\r\n--b1--\r\n");
}

void tst_SimProtocol::updateExamples()
{
    QFETCH(QString, kind);
    QFETCH(Example, example);
    QCOMPARE(problemsOf(kind, example.bytes), QStringList());
    for (int at : qAsConst(example.fixed)) {
        const QByteArray changed = with(example.bytes, at, char(example.bytes.at(at) ^ 0x01));
        QVERIFY2(!problemsOf(kind, changed).isEmpty(), qPrintable(QStringLiteral("byte %1 changed: %2").arg(at).arg(QString::fromLatin1(changed))));
    }
    if (kind == QLatin1String("A")) // the display wants this header name in this case only
        QVERIFY(!problemsOf(kind, QByteArray(example.bytes).replace("Content-type", "Content-Type")).isEmpty());
    if (kind == QLatin1String("keyed headers")) { // the key above is the one for token 0x2A3B
        QCOMPARE(UpdateRequest::uploadKey(0x2A3B), QByteArray("47a335b06240aed5cc2a21e47b66a5a3"));
        QCOMPARE(UpdateRequest::uploadKey(0), QByteArray("1d2262c6d38479b519459a730304d003"));
    }
}

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_simprotocol.moc"

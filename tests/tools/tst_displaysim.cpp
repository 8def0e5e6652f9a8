// The display simulator over real loopback sockets: search replies and
// acknowledgements, control commands and their state changes, the web pages,
// and every fault a fleet file can inject.

#include "simulatorprocess.h"

#include "simprotocol/controlframe.h"
#include "simprotocol/searchdatagram.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

namespace {

// This test program's own block of loopback addresses, chosen by process id
// so that two builds running the suite at once do not collide.
QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.77.%1.%2").arg(block).arg(host);
}

QByteArray searchRequest(quint16 sequence, quint32 type = 3)
{
    SearchDatagram::Request r;
    r.sequence = sequence;
    r.requestType = type;
    r.filterB = 0x100;
    return SearchDatagram::encodeRequest(r);
}

QJsonObject display(int host, const QJsonObject &extra = {})
{
    QJsonObject o{{QStringLiteral("address"), addr(host)},
                  {QStringLiteral("modelName"), QStringLiteral("K5-552")},
                  {QStringLiteral("serialNumber"), QStringLiteral("12A45678")},
                  {QStringLiteral("macAddress"), QStringLiteral("0A-FF-00-01-02-03")},
                  {QStringLiteral("seriesCode"), 3},
                  {QStringLiteral("currentFirmware"), QStringLiteral("R1.300")},
                  {QStringLiteral("fwVersions"), QJsonArray{QStringLiteral("1.10"), QStringLiteral("-.-")}},
                  {QStringLiteral("assetTag"), QStringLiteral("Lobby")}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QJsonObject tcpFault(const char *command, const char *fault, int ms = 0)
{
    QJsonObject f{{QStringLiteral("command"), QLatin1String(command)}, {QStringLiteral("fault"), QLatin1String(fault)}};
    if (ms)
        f.insert(QStringLiteral("ms"), ms);
    return f;
}

QJsonObject faults(const QJsonObject &f)
{
    return {{QStringLiteral("faults"), f}};
}

// Display hosts of the fleet below.
enum Host {
    Plain = 2, Acknowledging = 3, Silent = 4, WrongSize = 5, WrongMagic = 6, Stale = 7,
    Refusing = 8, Faulty = 9, Locked = 10, HttpError = 11, HttpMute = 12, NoSecond = 13, Legacy = 14,
    EmptySecond = 15, Second = 102,
};

class ControlConnection
{
public:
    bool open(const QString &address)
    {
        m_socket.connectToHost(address, ControlFrame::kPort);
        return m_socket.waitForConnected(5000);
    }
    void send(char type, const QByteArray &message)
    {
        m_socket.write(ControlFrame::encodeRequest(type, message));
    }
    // Reads until one whole frame is there; the raw bytes of each read are
    // kept in `reads`.
    ControlFrame::Decode receive(ControlFrame::Frame *frame, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        int consumed = 0;
        ControlFrame::Decode result = ControlFrame::decode(m_buffer, frame, &consumed);
        while (result == ControlFrame::Decode::Incomplete && t.elapsed() < timeoutMs
               && m_socket.waitForReadyRead(int(timeoutMs - t.elapsed()))) {
            const QByteArray chunk = m_socket.readAll();
            reads.append(chunk);
            m_buffer += chunk;
            result = ControlFrame::decode(m_buffer, frame, &consumed);
        }
        m_buffer.remove(0, consumed);
        return result;
    }
    QByteArray ask(char type, const QByteArray &message)
    {
        send(type, message);
        ControlFrame::Frame f;
        return receive(&f) == ControlFrame::Decode::Ok ? f.message : QByteArray("<no frame>");
    }
    QTcpSocket &socket() { return m_socket; }
    QList<QByteArray> reads;

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

} // namespace

class tst_DisplaySim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searchReplyCarriesEveryField();
    void acknowledgementIsRecorded();
    void udpFaults_data();
    void udpFaults();
    void malformedDatagramsAreIgnored();
    void sharesPortWithApplicationSocket();
    void controlCommands_data();
    void controlCommands();
    void powerAndPowerSaveChangesAreReal();
    void commandFaults();
    void splitReplyArrivesInTwoReads();
    void delayedReplyComesLate();
    void garbageDoesNotStopTheConnection();
    void refusedConnection();
    void webPages_data();
    void webPages();
    void webServerWithoutAnswer();
    void servicesOnOtherPorts();
    void rejectsApplicationAddress();
    void generatedFleetWithBroadcast();
    void stopsCleanlyOnTerminate();

private:
    QByteArray httpGet(const QString &url, int *status, QNetworkReply::NetworkError *error, int timeoutMs = 5000);

    SimulatorProcess m_sim;
};

void tst_DisplaySim::initTestCase()
{
    const QJsonArray fleet{
        display(Plain, {{QStringLiteral("address2"), addr(Second)}}),
        display(Acknowledging, {{QStringLiteral("udpReplyType"), 2}}),
        display(Silent, faults({{QStringLiteral("udp"), QStringLiteral("silent")}})),
        display(WrongSize, faults({{QStringLiteral("udp"), QStringLiteral("wrongSize")}})),
        display(WrongMagic, faults({{QStringLiteral("udp"), QStringLiteral("wrongMagic")}})),
        display(Stale, faults({{QStringLiteral("udp"), QStringLiteral("staleSequence")}})),
        display(Refusing, faults({{QStringLiteral("tcpRefuse"), true}})),
        display(Faulty, faults({{QStringLiteral("tcp"), QJsonArray{
            tcpFault("C216", "BE"), tcpFault("01D6", "badChecksum"), tcpFault("C217", "split", 200),
            tcpFault("CA0200", "delay", 300), tcpFault("CA0201", "noReply")}}})),
        display(Locked, {{QStringLiteral("locked"), true}}),
        display(HttpError, faults({{QStringLiteral("httpStatus"), 503}})),
        display(HttpMute, faults({{QStringLiteral("httpNoAnswer"), true}})),
        display(NoSecond, {{QStringLiteral("address2"), addr(103)}, {QStringLiteral("address2Answers"), false}}),
        display(Legacy, {{QStringLiteral("commands"), QJsonArray{QStringLiteral("legacyFirmware"), QStringLiteral("asset")}}}),
        display(EmptySecond, {{QStringLiteral("address2"), addr(115)}, {QStringLiteral("address2Body"), QString()}}),
    };
    QVERIFY2(m_sim.start(fleet), qPrintable(m_sim.errorString()));
    QCOMPARE(m_sim.displayCount(), fleet.size());
}

void tst_DisplaySim::searchReplyCarriesEveryField()
{
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    client.writeDatagram(searchRequest(0xA55A), QHostAddress(addr(Plain)), SearchDatagram::kPort);
    QVERIFY(client.waitForReadyRead(5000));
    const QNetworkDatagram d = client.receiveDatagram();
    QCOMPARE(d.senderAddress(), QHostAddress(addr(Plain)));
    QCOMPARE(d.senderPort(), int(SearchDatagram::kPort));
    const QByteArray r = d.data();
    QCOMPARE(r.size(), 256);
    QCOMPARE(r.left(4), QByteArray("KRWD"));
    QCOMPARE(r.mid(8, 2), QByteArray::fromHex("5AA5"));
    QCOMPARE(r.mid(16, 4), QByteArray::fromHex("08000000"));
    QCOMPARE(r.mid(32, 9), QByteArray("12A45678\0", 9));
    QCOMPARE(r.mid(56, 6), QByteArray::fromHex("0AFF00010203"));
    QCOMPARE(r.mid(96, 7), QByteArray("K5-552\0", 7));
    QCOMPARE(quint8(r.at(144)) & 0x31, 0x31);
    QCOMPARE(r.mid(148, 4), QByteArray::fromHex("00010000"));
    QCOMPARE(r.at(152), '*');
    QCOMPARE(r.at(156), char(3));
    QByteArray address2; // the dotted octets in order: network byte order
    const QStringList octets = addr(Second).split(QLatin1Char('.'));
    for (const QString &octet : octets)
        address2.append(char(octet.toInt()));
    QCOMPARE(r.mid(168, 4), address2);
    QCOMPARE(r.mid(180, 5), QByteArray("1.10\0", 5));
    QCOMPARE(r.mid(189, 4), QByteArray("-.-\0", 4));
    QCOMPARE(r.mid(226, 7), QByteArray("R1.300\0", 7));
    QVERIFY(m_sim.waitForEvent(QStringLiteral("udpRequest"),
                               {{QStringLiteral("display"), addr(Plain)}, {QStringLiteral("sequence"), 0xA55A},
                                {QStringLiteral("requestType"), 3}, {QStringLiteral("answered"), true}}));
}

void tst_DisplaySim::acknowledgementIsRecorded()
{
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray request = searchRequest(0x0102);
    client.writeDatagram(request, QHostAddress(addr(Acknowledging)), SearchDatagram::kPort);
    QVERIFY(client.waitForReadyRead(5000));
    QCOMPARE(client.receiveDatagram().data().mid(16, 4), QByteArray::fromHex("02000000"));
    QByteArray ack = request;
    ack[16] = 5;
    client.writeDatagram(ack + QByteArray(128, '\0'), QHostAddress(addr(Acknowledging)), SearchDatagram::kPort);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("udpAcknowledgement"),
                               {{QStringLiteral("display"), addr(Acknowledging)}, {QStringLiteral("sequence"), 0x0102},
                                {QStringLiteral("matches"), true}}));
    // An acknowledgement with the wrong sequence is recorded as not matching.
    ack[8] = 0x7F;
    client.writeDatagram(ack + QByteArray(128, '\0'), QHostAddress(addr(Acknowledging)), SearchDatagram::kPort);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("udpAcknowledgement"),
                               {{QStringLiteral("display"), addr(Acknowledging)}, {QStringLiteral("matches"), false}}));
}

void tst_DisplaySim::udpFaults_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<int>("sequenceDelta");
    QTest::newRow("wrong size") << int(WrongSize) << 255 << QByteArray("KRWD") << 0;
    QTest::newRow("wrong magic") << int(WrongMagic) << 256 << QByteArray("KRWX") << 0;
    QTest::newRow("stale sequence") << int(Stale) << 256 << QByteArray("KRWD") << -1;
}

void tst_DisplaySim::udpFaults()
{
    QFETCH(int, host);
    QFETCH(int, size);
    QFETCH(QByteArray, magic);
    QFETCH(int, sequenceDelta);
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    client.writeDatagram(searchRequest(300), QHostAddress(addr(host)), SearchDatagram::kPort);
    QVERIFY(client.waitForReadyRead(5000));
    const QByteArray r = client.receiveDatagram().data();
    QCOMPARE(r.size(), size);
    QCOMPARE(r.left(4), magic);
    QCOMPARE(quint8(r.at(8)) | (quint8(r.at(9)) << 8), 300 + sequenceDelta);
}

void tst_DisplaySim::malformedDatagramsAreIgnored()
{
    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    QByteArray noMagic = searchRequest(9);
    noMagic[0] = 'X';
    QByteArray ackType = searchRequest(9, 5); // 128 bytes of type 5 is not an acknowledgement
    const QList<QByteArray> bad{QByteArray(), QByteArray(127, 'K'), noMagic, ackType};
    for (const QByteArray &d : bad)
        client.writeDatagram(d, QHostAddress(addr(Silent)), SearchDatagram::kPort);
    // The silent display logs a good request too, but never answers.
    client.writeDatagram(searchRequest(10), QHostAddress(addr(Silent)), SearchDatagram::kPort);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("udpRequest"), {{QStringLiteral("display"), addr(Silent)},
                                                              {QStringLiteral("sequence"), 10},
                                                              {QStringLiteral("answered"), false}}));
    const QList<QJsonObject> events = m_sim.events(QStringLiteral("udpRequest"));
    QStringList checks;
    for (const QJsonObject &e : events) {
        if (e.value(QStringLiteral("display")).toString() == addr(Silent))
            checks << e.value(QStringLiteral("check")).toString();
    }
    QCOMPARE(checks, (QStringList{QStringLiteral("wrongSize"), QStringLiteral("wrongSize"),
                                  QStringLiteral("wrongMagic"), QStringLiteral("wrongSize"), QStringLiteral("ok")}));
    QVERIFY(!client.hasPendingDatagrams());
}

void tst_DisplaySim::sharesPortWithApplicationSocket()
{
    // An application socket on 0.0.0.0:5320 that asks for address sharing
    // binds while displays on the same machine hold their own addresses on
    // that port (on Linux both sides must ask for it).
    QUdpSocket application;
    QVERIFY2(application.bind(QHostAddress::AnyIPv4, SearchDatagram::kPort,
                              QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint),
             qPrintable(application.errorString()));
    application.writeDatagram(searchRequest(77), QHostAddress(addr(Plain)), SearchDatagram::kPort);
    QTRY_VERIFY_WITH_TIMEOUT(application.hasPendingDatagrams(), 5000);
    const QNetworkDatagram d = application.receiveDatagram();
    QCOMPARE(d.senderAddress(), QHostAddress(addr(Plain)));
    QCOMPARE(d.data().size(), 256);
}

void tst_DisplaySim::controlCommands_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<char>("type");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("model") << int(Plain) << 'A' << QByteArray("C217") << QByteArray("C3174B352D353532");
    QTest::newRow("serial") << int(Plain) << 'A' << QByteArray("C216") << QByteArray("C3163132413435363738");
    QTest::newRow("firmware") << int(Plain) << 'A' << QByteArray("CA0200") << QByteArray("CB020000R1.300");
    QTest::newRow("FW2") << int(Plain) << 'A' << QByteArray("CA0202") << QByteArray("CB020002-.-");
    QTest::newRow("power save") << int(Plain) << 'A' << QByteArray("CA0B00") << QByteArray("CB0B0002");
    QTest::newRow("progress") << int(Plain) << 'C' << QByteArray("1306") << QByteArray("00130600FFFF00C8");
    QTest::newRow("legacy firmware") << int(Legacy) << 'A' << QByteArray("C03F") << QByteArray("C13F52312E333030");
    QTest::newRow("legacy: no CA02") << int(Legacy) << 'A' << QByteArray("CA0200") << QByteArray("BE");
    QTest::newRow("legacy: no power save") << int(Legacy) << 'A' << QByteArray("CA0B00") << QByteArray("BE");
    QTest::newRow("unknown") << int(Plain) << 'A' << QByteArray("ABCD") << QByteArray("BE");
}

void tst_DisplaySim::controlCommands()
{
    QFETCH(int, host);
    QFETCH(char, type);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, reply);
    ControlConnection c;
    QVERIFY(c.open(addr(host)));
    c.send(type, message);
    ControlFrame::Frame f;
    QCOMPARE(c.receive(&f), ControlFrame::Decode::Ok);
    QCOMPARE(f.destination, '0');
    QCOMPARE(f.type, ControlFrame::replyTypeFor(type));
    QCOMPARE(f.message, reply);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("tcpCommand"),
                               {{QStringLiteral("display"), addr(host)},
                                {QStringLiteral("message"), QString::fromLatin1(message)}}));
}

void tst_DisplaySim::powerAndPowerSaveChangesAreReal()
{
    ControlConnection c;
    QVERIFY(c.open(addr(Plain)));
    QCOMPARE(c.ask('A', "C203D60004"), QByteArray("00C203D60004"));
    QVERIFY(m_sim.waitForEvent(QStringLiteral("powerChanged"),
                               {{QStringLiteral("display"), addr(Plain)}, {QStringLiteral("powerState"), 4}}));
    QCOMPARE(c.ask('A', "CA0B0100"), QByteArray("CB0B0100"));
    QVERIFY(m_sim.waitForEvent(QStringLiteral("powerSaveChanged"),
                               {{QStringLiteral("display"), addr(Plain)}, {QStringLiteral("powerSaveMode"), 0}}));

    // A new connection sees the changed state.
    ControlConnection again;
    QVERIFY(again.open(addr(Plain)));
    QCOMPARE(again.ask('A', "01D6"), QByteArray("0200D60000040004"));
    QCOMPARE(again.ask('A', "CA0B00"), QByteArray("CB0B0000"));
    QCOMPARE(again.ask('A', "C203D60001"), QByteArray("00C203D60001"));
    QCOMPARE(again.ask('A', "CA0B0102"), QByteArray("CB0B0100"));
}

void tst_DisplaySim::commandFaults()
{
    ControlConnection c;
    QVERIFY(c.open(addr(Faulty)));
    QCOMPARE(c.ask('A', "C216"), QByteArray("BE"));
    c.send('A', "01D6");
    ControlFrame::Frame f;
    QCOMPARE(c.receive(&f), ControlFrame::Decode::BadBlockCheck);
    c.send('A', "CA0201");
    QVERIFY(m_sim.waitForEvent(QStringLiteral("tcpCommand"),
                               {{QStringLiteral("display"), addr(Faulty)}, {QStringLiteral("message"), QStringLiteral("CA0201")},
                                {QStringLiteral("fault"), QStringLiteral("noReply")}}));
    // Unaffected commands still work on the same connection.
    QCOMPARE(c.ask('A', "CA0202"), QByteArray("CB020002-.-"));
}

void tst_DisplaySim::splitReplyArrivesInTwoReads()
{
    ControlConnection c;
    QVERIFY(c.open(addr(Faulty)));
    c.send('A', "C217");
    ControlFrame::Frame f;
    QCOMPARE(c.receive(&f), ControlFrame::Decode::Ok);
    QCOMPARE(f.message, QByteArray("C3174B352D353532"));
    QCOMPARE(c.reads.size(), 2);
    int consumed = 0;
    QCOMPARE(ControlFrame::decode(c.reads.first(), &f, &consumed), ControlFrame::Decode::Incomplete);
}

void tst_DisplaySim::delayedReplyComesLate()
{
    ControlConnection c;
    QVERIFY(c.open(addr(Faulty)));
    QElapsedTimer t;
    t.start();
    QCOMPARE(c.ask('A', "CA0200"), QByteArray("CB020000R1.300"));
    QVERIFY2(t.elapsed() >= 290, qPrintable(QString::number(t.elapsed())));
}

void tst_DisplaySim::garbageDoesNotStopTheConnection()
{
    ControlConnection c;
    QVERIFY(c.open(addr(Plain)));
    QByteArray badBcc = ControlFrame::encodeRequest('A', "C217");
    badBcc[badBcc.size() - 2] = char(badBcc.at(badBcc.size() - 2) ^ 1);
    c.socket().write("garbage\r\n" + badBcc);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("tcpFrameError"),
                               {{QStringLiteral("display"), addr(Plain)}, {QStringLiteral("error"), QStringLiteral("badChecksum")}}));
    QCOMPARE(c.ask('A', "C217"), QByteArray("C3174B352D353532"));
}

void tst_DisplaySim::refusedConnection()
{
    QTcpSocket s;
    s.connectToHost(addr(Refusing), ControlFrame::kPort);
    QVERIFY(!s.waitForConnected(5000));
    QCOMPARE(s.error(), QAbstractSocket::ConnectionRefusedError);
}

QByteArray tst_DisplaySim::httpGet(const QString &url, int *status, QNetworkReply::NetworkError *error, int timeoutMs)
{
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = nam.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(timeoutMs + 2000);
    *status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    *error = reply->error();
    const QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    delete reply;
    return body;
}

void tst_DisplaySim::webPages_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("logon");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("emptyBody");
    QTest::newRow("unlocked") << QStringLiteral("http://%1/index.html").arg(addr(Plain)) << 200 << false << 0 << false;
    QTest::newRow("locked") << QStringLiteral("http://%1/index.html").arg(addr(Locked)) << 200 << true << 0 << false;
    QTest::newRow("logon page") << QStringLiteral("http://%1/Logon/logon.html").arg(addr(Locked)) << 200 << true << 0 << false;
    QTest::newRow("second address") << QStringLiteral("http://%1").arg(addr(Second)) << 200 << false << 0 << false;
    QTest::newRow("second address, empty body") << QStringLiteral("http://%1").arg(addr(115)) << 200 << false << 0 << true;
    QTest::newRow("unknown page") << QStringLiteral("http://%1/nothing").arg(addr(Plain)) << 404 << false
                                  << int(QNetworkReply::ContentNotFoundError) << false;
    QTest::newRow("error status") << QStringLiteral("http://%1/index.html").arg(addr(HttpError)) << 503 << false
                                  << int(QNetworkReply::ServiceUnavailableError) << false;
    QTest::newRow("second address not answering") << QStringLiteral("http://%1").arg(addr(103)) << 0 << false
                                                  << int(QNetworkReply::ConnectionRefusedError) << true;
}

void tst_DisplaySim::webPages()
{
    QFETCH(QString, url);
    QFETCH(int, status);
    QFETCH(bool, logon);
    QFETCH(int, error);
    QFETCH(bool, emptyBody);
    int gotStatus = 0;
    QNetworkReply::NetworkError gotError;
    const QByteArray body = httpGet(url, &gotStatus, &gotError);
    QCOMPARE(gotStatus, status);
    QCOMPARE(int(gotError), error);
    QCOMPARE(body.contains("/Logon/"), logon);
    QCOMPARE(body.isEmpty(), emptyBody);
}

void tst_DisplaySim::webServerWithoutAnswer()
{
    int status = 0;
    QNetworkReply::NetworkError error;
    httpGet(QStringLiteral("http://%1/index.html").arg(addr(HttpMute)), &status, &error, 500);
    QCOMPARE(status, 0);
    QCOMPARE(error, QNetworkReply::OperationCanceledError);
    QVERIFY(m_sim.waitForEvent(QStringLiteral("httpRequest"),
                               {{QStringLiteral("display"), addr(HttpMute)}, {QStringLiteral("delivery"), QStringLiteral("noAnswer")}}));
}

void tst_DisplaySim::servicesOnOtherPorts()
{
    SimulatorProcess sim;
    sim.setExtraArguments({QStringLiteral("--search-port"), QStringLiteral("15320"), QStringLiteral("--control-port"),
                           QStringLiteral("17142"), QStringLiteral("--http-port"), QStringLiteral("18080")});
    QVERIFY2(sim.start(QJsonArray{display(160)}), qPrintable(sim.errorString()));
    QCOMPARE(sim.readyEvent().value(QStringLiteral("searchPort")).toInt(), 15320);

    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    client.writeDatagram(searchRequest(5), QHostAddress(addr(160)), 15320);
    QVERIFY(client.waitForReadyRead(5000));
    QCOMPARE(client.receiveDatagram().senderPort(), 15320);

    QTcpSocket control;
    control.connectToHost(addr(160), 17142);
    QVERIFY(control.waitForConnected(5000));
    control.write(ControlFrame::encodeRequest('A', "C217"));
    QVERIFY(sim.waitForEvent(QStringLiteral("tcpCommand"), {{QStringLiteral("display"), addr(160)}}));

    int status = 0;
    QNetworkReply::NetworkError error;
    httpGet(QStringLiteral("http://%1:18080/index.html").arg(addr(160)), &status, &error);
    QCOMPARE(status, 200);
}

void tst_DisplaySim::rejectsApplicationAddress()
{
    SimulatorProcess sim;
    QVERIFY(!sim.start(QJsonArray{QJsonObject{{QStringLiteral("address"), QStringLiteral("127.0.0.1")}}}));
    QVERIFY2(sim.errorString().contains(QLatin1String("127.0.0.1")), qPrintable(sim.errorString()));
}

void tst_DisplaySim::generatedFleetWithBroadcast()
{
    QProcess p;
    p.start(QStringLiteral(VDFU_TOOLS_BIN_DIR "/vdfu-displaysim"),
            {QStringLiteral("--generate"), QStringLiteral("4"), QStringLiteral("--first-address"), QStringLiteral("127.0.1.254"),
             QStringLiteral("--broadcast"), QStringLiteral("10.1.2.255"), QStringLiteral("--dump-fleet")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    QStringList addresses;
    for (const QByteArray &line : lines) {
        const QJsonObject d = QJsonDocument::fromJson(line).object();
        QCOMPARE(d.value(QStringLiteral("event")).toString(), QStringLiteral("display"));
        QCOMPARE(d.value(QStringLiteral("broadcastAddress")).toString(), QStringLiteral("10.1.2.255"));
        addresses << d.value(QStringLiteral("address")).toString();
    }
    QCOMPARE(addresses, (QStringList{QStringLiteral("127.0.1.254"), QStringLiteral("127.0.2.1"),
                                     QStringLiteral("127.0.2.2"), QStringLiteral("127.0.2.3")}));
    // The first generated model reports a second address one up in byte 2.
    QCOMPARE(QJsonDocument::fromJson(lines.first()).object().value(QStringLiteral("address2")).toString(),
             QStringLiteral("127.1.1.254"));
}

void tst_DisplaySim::stopsCleanlyOnTerminate()
{
    SimulatorProcess sim;
    QVERIFY2(sim.startGenerated(20, addr(150)), qPrintable(sim.errorString()));
    QCOMPARE(sim.displayCount(), 20);
    sim.stop();
    QCOMPARE(sim.events().last().value(QStringLiteral("event")).toString(), QStringLiteral("stopped"));
}

QTEST_GUILESS_MAIN(tst_DisplaySim)
#include "tst_displaysim.moc"

#include "app/timing.h"
#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"

#include "simulatorprocess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

// Whole control exchanges over loopback against the display simulator, with
// the time-outs scaled down. What each reply means is tested without sockets
// in tst_controlexchange. The displays live on 127.78.<block>.x, the block
// chosen by process id so that two builds running the suite at once do not collide.
namespace {

const int kSearchFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE
                         | TCP_REQ_VERSIONS | TCP_REQ_VERIFY_IP2 | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS
                         | TCP_REQ_POWER_SAVE_READ;

QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.78.%1.%2").arg(block).arg(host);
}

QJsonObject display(int host, const QJsonObject &extra = {})
{
    QJsonObject o{{"address", addr(host)},         {"modelName", "K5-552"},         {"serialNumber", "SN"},
                  {"currentFirmware", "R1.300"},   {"assetTag", "Lobby"},           {"powerSaveMode", 0},
                  {"fwVersions", QJsonArray{"F1.10", "F2.20", "F3.30", "F4.40"}}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QJsonObject tcpFault(const QString &command, const QString &kind)
{
    return {{"faults", QJsonObject{{"tcp", QJsonArray{QJsonObject{{"command", command}, {"fault", kind}}}}}}};
}

QVariant field(const PD_TCP_REPLY &r, const QString &name)
{
    return QVariantMap{{"modelName", r.modelName}, {"serialNumber", r.serialNumber}, {"powerState", r.powerState},
                       {"lockStatus", r.lockStatus}}.value(name);
}

}

class tst_TcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_sim.clearEvents(); }
    void fullSearchExchange();
    void displayBehaviour_data();
    void displayBehaviour();
    void connectTimeoutFails();
    void failureInsideStartIsReportedLater();
    void openFileLimitRaisedToHardLimit();

private:
    // Runs one exchange and checks that it reported exactly once.
    PD_TCP_REPLY exchange(const QString &address, int flags, const QHostAddress &ip2 = QHostAddress());
    int commandCount(const QString &address, const QString &message) const;

    SimulatorProcess m_sim;
    QNetworkAccessManager m_manager;
};

void tst_TcpClient::initTestCase()
{
    Timing::setScale(0.2); // reply 400 ms, connect and web probes 1 s
    const QJsonArray fleet{
        display(2, {{"address2", addr(102)}, {"address2Body", "<html>second</html>"}, {"locked", true}}),
        display(5, tcpFault("C216", "noReply")),
        display(6, tcpFault("C217", "split")),
        display(7, tcpFault("C216", "badChecksum")),
        display(9, {{"faults", QJsonObject{{"tcpRefuse", true}}}}),
        display(10, {{"powerState", 4}}),
        display(15, {{"webServer", false}}),
        display(16),
    };
    QVERIFY2(m_sim.start(fleet), qPrintable(m_sim.errorString()));
}

PD_TCP_REPLY tst_TcpClient::exchange(const QString &address, int flags, const QHostAddress &ip2)
{
    TcpClient client;
    client.setNetworkAccessManager(&m_manager);
    QSignalSpy results(&client, &TcpClient::device_results);
    client.SetRequestFlags(flags);
    client.Start(QHostAddress(address), 7142, ip2);
    if (results.isEmpty() && !results.wait(20000))
        return {};
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    [&] { QCOMPARE(results.count(), 1); }();
    return results.first().at(0).value<PD_TCP_REPLY>();
}

int tst_TcpClient::commandCount(const QString &address, const QString &message) const
{
    int count = 0;
    for (const QJsonObject &e : m_sim.events(QStringLiteral("tcpCommand")))
        count += e.value("display").toString() == address && e.value("message").toString() == message;
    return count;
}

void tst_TcpClient::fullSearchExchange()
{
    const PD_TCP_REPLY r = exchange(addr(2), kSearchFlags, QHostAddress(addr(102)));
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.requestFlags, kSearchFlags);
    QCOMPARE(r.ipAddress, QHostAddress(addr(2)));
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
    QCOMPARE(r.serialNumber, QStringLiteral("SN"));
    QCOMPARE(r.powerState, 1);
    QCOMPARE(r.currentFirmware, QStringLiteral("R1.300"));
    QCOMPARE(r.fwVersions[0], QStringLiteral("F1.10"));
    QCOMPARE(r.fwVersions[3], QStringLiteral("F4.40"));
    QCOMPARE(r.assetTag, QStringLiteral("Lobby"));
    QCOMPARE(r.powerSaveMode, 0);
    QCOMPARE(r.ip2CheckResult, 0);
    QCOMPARE(r.lockStatus, 1);
    // One command at a time, in the client's order, with the web probes between.
    QStringList order;
    for (const QJsonObject &e : m_sim.events(QStringLiteral("tcpCommand")))
        order << e.value("message").toString();
    QCOMPARE(order, QStringList({"C217", "01D6", "C216", "C00B0020", "C00B2020", "CA0B00", "CA0200", "CA0201",
                                 "CA0202", "CA0203", "CA0204"}));
    QVERIFY(m_sim.waitForEvent("httpRequest", {{"address", addr(102)}}));
    QVERIFY(m_sim.waitForEvent("httpRequest", {{"display", addr(2)}, {"path", "/index.html"}}));
}

void tst_TcpClient::displayBehaviour_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("tcpStatus");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("sent"); // how often the display received `command`
    const int nameSerialPower = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS;
    QTest::newRow("silent command: sent twice, then skipped")
        << 5 << nameSerialPower << 0 << "serialNumber" << QVariant(QString()) << "C216" << 2;
    QTest::newRow("reply in two pieces") << 6 << nameSerialPower << 0 << "modelName" << QVariant("K5-552") << "C217" << 1;
    QTest::newRow("bad block check code ends it, what was read stays")
        << 7 << nameSerialPower << -3001 << "modelName" << QVariant("K5-552") << "01D6" << 1;
    QTest::newRow("connection refused") << 9 << kSearchFlags << -1 << "modelName" << QVariant(QString()) << "C217" << 0;
    QTest::newRow("power on") << 10 << int(TCP_REQ_POWER_ON) << 0 << "powerState" << QVariant(1) << "C203D60001" << 1;
    QTest::newRow("no web server") << 15 << int(TCP_REQ_LOCK_STATUS) << 0 << "lockStatus" << QVariant(2) << "C217" << 0;
    QTest::newRow("no flags: connects and reports") << 16 << 0 << 0 << "modelName" << QVariant(QString()) << "C217" << 0;
}

void tst_TcpClient::displayBehaviour()
{
    QFETCH(int, host);
    QFETCH(int, flags);
    QFETCH(int, tcpStatus);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, command);
    QFETCH(int, sent);
    const PD_TCP_REPLY r = exchange(addr(host), flags);
    QCOMPARE(r.tcpStatus, tcpStatus);
    QCOMPARE(r.ipAddress, QHostAddress(addr(host)));
    QCOMPARE(::field(r, field), value);
    QCOMPARE(commandCount(addr(host), command), sent);
    if (tcpStatus != -1)
        QVERIFY(m_sim.waitForEvent("tcpConnection", {{"display", addr(host)}}));
}

void tst_TcpClient::connectTimeoutFails()
{
    // A listener whose accept queue is full drops further connection
    // attempts, so the connection is never made.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(7142);
    where.sin_addr.s_addr = inet_addr(addr(250).toLatin1().constData());
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&where), sizeof where), 0);
    QCOMPARE(::listen(listener, 0), 0);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress(addr(250)), 7142);
    QVERIFY(filler.waitForConnected(5000));
    const PD_TCP_REPLY r = exchange(addr(250), TCP_REQ_MODEL_NAME);
    ::close(listener);
    QCOMPARE(r.tcpStatus, -1);
}

void tst_TcpClient::failureInsideStartIsReportedLater()
{
    // The owner counts an exchange once Start returns, so a connection that
    // fails inside it is reported on the next turn of the event loop. TCP to
    // a multicast address fails in connect() itself, before anything is sent.
    TcpClient client;
    QSignalSpy results(&client, &TcpClient::device_results);
    client.SetRequestFlags(TCP_REQ_MODEL_NAME);
    client.Start(QHostAddress(QStringLiteral("ff02::1")), 7142, QHostAddress());
    QCOMPARE(results.count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(results.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(results.count(), 1);
    QCOMPARE(results.first().at(0).value<PD_TCP_REPLY>().tcpStatus, -1);
}

void tst_TcpClient::openFileLimitRaisedToHardLimit()
{
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
    rlimit lowered = limit;
    lowered.rlim_cur = qMin<rlim_t>(limit.rlim_max, 256);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const long raised = raiseOpenFileLimit();
    rlimit now{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &now), 0);
    QCOMPARE(now.rlim_cur, limit.rlim_max);
    if (limit.rlim_max != RLIM_INFINITY)
        QCOMPARE(raised, long(limit.rlim_max));
}

QTEST_GUILESS_MAIN(tst_TcpClient)
#include "tst_tcpclient.moc"

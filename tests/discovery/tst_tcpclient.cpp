#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"

#include "simulatorprocess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// Whole control exchanges over loopback against the display simulator.
// The displays of this test live on 127.78.<block>.x, the block chosen by
// process id so that two builds running the suite at once do not collide.
namespace {

const int kSearchFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE
                         | TCP_REQ_VERSIONS | TCP_REQ_VERIFY_IP2 | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS
                         | TCP_REQ_POWER_SAVE_READ;
const int kLegacySearchFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS
                               | TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_VERSIONS_LEGACY | TCP_REQ_ASSET_DATA
                               | TCP_REQ_LOCK_STATUS | TCP_REQ_POWER_SAVE_READ;

QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.78.%1.%2").arg(block).arg(host);
}

QJsonObject display(int host, const QJsonObject &extra = {})
{
    QJsonObject o{{"address", addr(host)},
                  {"modelName", "K5-552"},
                  {"serialNumber", QStringLiteral("SN%1").arg(host)},
                  {"seriesCode", 3},
                  {"currentFirmware", "R1.300"},
                  {"fwVersions", QJsonArray{"F1.10", "F2.20", "F3.30", "F4.40"}},
                  {"assetTag", "Lobby"},
                  {"powerSaveMode", 0}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QJsonObject tcpFault(const QString &command, const QString &kind)
{
    return {{"faults", QJsonObject{{"tcp", QJsonArray{QJsonObject{{"command", command}, {"fault", kind}}}}}}};
}

}

class tst_TcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_sim.clearEvents(); }

    void fullSearchExchange();
    void legacyOnlyDisplay();
    void newerOnlyDisplayFallsBack();
    void silentCommandIsSkipped();
    void splitReplyIsRead();
    void badBlockCheckCodeFails();
    void refusedModelNameFails();
    void refusedConnectionFails();
#ifdef Q_OS_LINUX
    void connectTimeoutFails();
#endif
    void noFlagsReportsAtOnce();
    void unassignedAlternateAddressIsNotRequested();
    void nullAlternateAddressFails();
    void unreachableWebServer();
    void powerSwitch_data();
    void powerSwitch();
    void powerSaveChange_data();
    void powerSaveChange();
    void updateParameters();
#ifdef Q_OS_LINUX
    void openFileLimitRaisedToHardLimit();
#endif

private:
    // Runs one exchange and checks that it reported exactly once.
    PD_TCP_REPLY exchange(const QString &address, int flags, const QHostAddress &ip2 = QHostAddress(),
                          int connectTimeoutMs = TcpClient::kConnectTimeoutMs);
    int commandCount(const QString &address, const QString &message) const;

    SimulatorProcess m_sim;
    QNetworkAccessManager m_manager;
};

void tst_TcpClient::initTestCase()
{
    const QJsonArray fleet{
        display(2, {{"address2", addr(102)}, {"address2Body", "<html>second</html>"}, {"locked", true}}),
        display(3, {{"commands", QJsonArray{"legacyFirmware", "asset"}}}),
        display(4, {{"commands", QJsonArray{"firmware", "asset", "powerSave"}}}),
        display(5, tcpFault("C216", "noReply")),
        display(6, tcpFault("C217", "split")),
        display(7, tcpFault("C216", "badChecksum")),
        display(8, tcpFault("C217", "BE")),
        display(9, {{"faults", QJsonObject{{"tcpRefuse", true}}}}),
        display(10, {{"powerState", 4}}),
        display(11, {{"powerState", 1}}),
        display(12, {{"powerSaveMode", 2}}),
        display(13, {{"powerSaveMode", 0}}),
        display(14, {{"powerSaveMode", 0}}),
        display(15, {{"webServer", false}}),
        display(16),
        display(17),
    };
    QVERIFY2(m_sim.start(fleet), qPrintable(m_sim.errorString()));
}

PD_TCP_REPLY tst_TcpClient::exchange(const QString &address, int flags, const QHostAddress &ip2,
                                     int connectTimeoutMs)
{
    TcpClient client;
    client.setNetworkAccessManager(&m_manager);
    client.setTimeouts(connectTimeoutMs, TcpClient::kReplyTimeoutMs);
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
    QCOMPARE(r.serialNumber, QStringLiteral("SN2"));
    QCOMPARE(r.powerState, 1);
    QCOMPARE(r.currentFirmware, QStringLiteral("R1.300"));
    QCOMPARE(r.fwVersions[0], QStringLiteral("F1.10"));
    QCOMPARE(r.fwVersions[3], QStringLiteral("F4.40"));
    QCOMPARE(r.assetTag, QStringLiteral("Lobby"));
    QCOMPARE(r.powerSaveMode, 0);
    QCOMPARE(r.ip2CheckResult, 0);
    QCOMPARE(r.lockStatus, 1);
    // One command at a time, in the client's order.
    QStringList order;
    for (const QJsonObject &e : m_sim.events(QStringLiteral("tcpCommand")))
        order << e.value("message").toString();
    QCOMPARE(order, QStringList({"C217", "01D6", "C216", "C00B0020", "C00B2020", "CA0B00", "CA0200", "CA0201",
                                 "CA0202", "CA0203", "CA0204"}));
    QVERIFY(m_sim.waitForEvent("httpRequest", {{"address", addr(102)}}));
    QVERIFY(m_sim.waitForEvent("httpRequest", {{"display", addr(2)}, {"path", "/index.html"}}));
}

void tst_TcpClient::legacyOnlyDisplay()
{
    const PD_TCP_REPLY r = exchange(addr(3), kLegacySearchFlags);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
    QCOMPARE(r.currentFirmware, QStringLiteral("R1.300"));
    QCOMPARE(r.fwVersions[1], QStringLiteral("F2.20"));
    QCOMPARE(r.assetTag, QStringLiteral("Lobby"));
    QCOMPARE(r.powerSaveMode, -2); // "BE" to the read: not read
    QCOMPARE(r.lockStatus, 0);
}

void tst_TcpClient::newerOnlyDisplayFallsBack()
{
    const PD_TCP_REPLY r = exchange(addr(4), TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_VERSIONS);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.currentFirmware, QStringLiteral("R1.300"));
    QCOMPARE(r.fwVersions[2], QStringLiteral("F3.30"));
    QCOMPARE(commandCount(addr(4), "C03F"), 1);
    QCOMPARE(commandCount(addr(4), "CA0200"), 1);

    // "BE" to the legacy version read drops the version and firmware reads.
    m_sim.clearEvents();
    const PD_TCP_REPLY legacy = exchange(addr(4), kLegacySearchFlags);
    QCOMPARE(legacy.tcpStatus, 0);
    QCOMPARE(legacy.currentFirmware, QString());
    QCOMPARE(legacy.fwVersions[0], QString());
    QCOMPARE(legacy.powerSaveMode, 0);
    QCOMPARE(commandCount(addr(4), "CA0200"), 0);
}

void tst_TcpClient::silentCommandIsSkipped()
{
    const PD_TCP_REPLY r = exchange(addr(5), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
    QCOMPARE(r.powerState, 1);
    QCOMPARE(r.serialNumber, QString());
    QCOMPARE(commandCount(addr(5), "C216"), 2);
}

void tst_TcpClient::splitReplyIsRead()
{
    const PD_TCP_REPLY r = exchange(addr(6), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
    QCOMPARE(r.serialNumber, QStringLiteral("SN6"));
}

void tst_TcpClient::badBlockCheckCodeFails()
{
    const PD_TCP_REPLY r = exchange(addr(7), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_ASSET_DATA);
    QCOMPARE(r.tcpStatus, -3001);
    QCOMPARE(r.modelName, QStringLiteral("K5-552")); // what was read before stays
    QCOMPARE(r.assetTag, QString());
}

void tst_TcpClient::refusedModelNameFails()
{
    const PD_TCP_REPLY r = exchange(addr(8), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER);
    QCOMPARE(r.tcpStatus, -3002);
    QCOMPARE(r.modelName, QString());
    QCOMPARE(commandCount(addr(8), "C216"), 0);
}

void tst_TcpClient::refusedConnectionFails()
{
    const PD_TCP_REPLY r = exchange(addr(9), kSearchFlags);
    QCOMPARE(r.tcpStatus, -1);
    QCOMPARE(r.ipAddress, QHostAddress(addr(9)));
    QCOMPARE(r.requestFlags, kSearchFlags);
}

#ifdef Q_OS_LINUX
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

    const PD_TCP_REPLY r = exchange(addr(250), TCP_REQ_MODEL_NAME, QHostAddress(), 1000);
    ::close(listener);
    QCOMPARE(r.tcpStatus, -1);
}
#endif

void tst_TcpClient::noFlagsReportsAtOnce()
{
    const PD_TCP_REPLY r = exchange(addr(16), 0);
    QCOMPARE(r.tcpStatus, 0);
    QVERIFY(m_sim.waitForEvent("tcpConnection", {{"display", addr(16)}}));
    QVERIFY(m_sim.events("tcpCommand").isEmpty());
}

void tst_TcpClient::unassignedAlternateAddressIsNotRequested()
{
    const PD_TCP_REPLY r = exchange(addr(16), TCP_REQ_VERIFY_IP2 | TCP_REQ_LOCK_STATUS, QHostAddress(QStringLiteral("0.0.0.0")));
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.ip2CheckResult, 1);
    QCOMPARE(r.lockStatus, 0);
    QCOMPARE(m_sim.events("httpRequest").size(), 1); // the lock probe only
}

void tst_TcpClient::nullAlternateAddressFails()
{
    const PD_TCP_REPLY r = exchange(addr(16), TCP_REQ_VERIFY_IP2, QHostAddress());
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.ip2CheckResult, 1);
}

void tst_TcpClient::unreachableWebServer()
{
    const PD_TCP_REPLY r = exchange(addr(15), TCP_REQ_LOCK_STATUS | TCP_REQ_MODEL_NAME);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.lockStatus, 2);
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
}

void tst_TcpClient::powerSwitch_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("powerState");
    QTest::newRow("on") << 10 << TCP_REQ_POWER_ON << 1;
    QTest::newRow("off") << 11 << TCP_REQ_POWER_OFF << 4;
}

void tst_TcpClient::powerSwitch()
{
    QFETCH(int, host);
    QFETCH(int, flag);
    QFETCH(int, powerState);
    const PD_TCP_REPLY r = exchange(addr(host), flag);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.powerState, powerState);
    QVERIFY(m_sim.waitForEvent("powerChanged", {{"display", addr(host)}, {"powerState", powerState}}));
    // The display now reports the new state.
    QCOMPARE(exchange(addr(host), TCP_REQ_POWER_STATUS).powerState, powerState);
}

void tst_TcpClient::powerSaveChange_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("mode");
    QTest::newRow("auto power save") << 12 << TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE << 0;
    QTest::newRow("auto standby") << 13 << TCP_REQ_POWER_SAVE_AUTO_STANDBY << 1;
    QTest::newRow("off") << 14 << TCP_REQ_POWER_SAVE_OFF << 2;
}

void tst_TcpClient::powerSaveChange()
{
    QFETCH(int, host);
    QFETCH(int, flag);
    QFETCH(int, mode);
    const PD_TCP_REPLY r = exchange(addr(host), flag);
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.powerSaveMode, mode); // the acknowledged change is the mode now in force
    QVERIFY(m_sim.waitForEvent("powerSaveChanged", {{"display", addr(host)}, {"powerSaveMode", mode}}));
    QCOMPARE(exchange(addr(host), TCP_REQ_POWER_SAVE_READ).powerSaveMode, mode);
}

void tst_TcpClient::updateParameters()
{
    // The LAN update of one display family: request an upload (the token), start, read progress.
    QCOMPARE(exchange(addr(17), TCP_REQ_UPLOAD_REQUEST).setParamValue, 0x2A3B);
    QCOMPARE(exchange(addr(17), TCP_REQ_START_UPDATE).setParamValue, 1);
    QCOMPARE(exchange(addr(17), TCP_REQ_UPDATE_PROGRESS).getParamValue, 0);
    const PD_TCP_REPLY progress = exchange(addr(17), TCP_REQ_UPDATE_PROGRESS);
    QCOMPARE(progress.tcpStatus, 0);
    QCOMPARE(progress.getParamValue, 25);
    QCOMPARE(progress.setParamValue, 0);
}

#ifdef Q_OS_LINUX
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
#endif

QTEST_GUILESS_MAIN(tst_TcpClient)
#include "tst_tcpclient.moc"

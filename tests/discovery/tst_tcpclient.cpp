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
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

// Whole control exchanges over loopback against the display simulator, with
// the time-outs scaled down; what each reply means is tested without sockets
// in tst_controlexchange. The displays live on 127.78.<block>.x, the block
// chosen by process id so that two builds running the suite at once do not collide.
namespace {

QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.78.%1.%2").arg(block).arg(host);
}

QJsonObject display(int host, const QString &fault = QString(), const QJsonValue &how = QJsonValue())
{
    QJsonObject display{{"address", addr(host)}, {"modelName", "K5-552"}, {"serialNumber", "SN"},
                        {"currentFirmware", "R1.300"}, {"fwVersions", QJsonArray{"F1", "F2", "F3", "F4"}},
                        {"assetTag", "Lobby"}, {"powerSaveMode", 0}, {"address2", addr(100 + host)}, {"locked", true}};
    if (fault.startsWith('C')) // a command fault: "C216" with "noReply", "split", ...
        display.insert("faults", QJsonObject{{"tcp", QJsonArray{QJsonObject{{"command", fault}, {"fault", how}}}}});
    else if (!fault.isEmpty())
        display.insert(fault, how);
    return display;
}

}

class tst_TcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullSearch();
    void displayBehaviour_data();
    void displayBehaviour();
    void connectTimeoutFails();
    void failureInsideStartIsReportedLater();
    void openFileLimitRaisedToHardLimit();

private:
    // Runs one exchange and checks that it reported exactly once.
    PD_TCP_REPLY exchange(const QString &address, int flags);

    SimulatorProcess m_sim;
    QNetworkAccessManager m_manager;
};

void tst_TcpClient::initTestCase()
{
    Timing::setScale(0.2); // reply 400 ms, connect and web probes 1 s
    const QJsonArray fleet{display(2), display(5, "C216", "noReply"), display(6, "C217", "split"),
                           display(7, "C216", "badChecksum"),
                           display(9, "faults", QJsonObject{{"tcpRefuse", true}}), display(15, "webServer", false)};
    QVERIFY2(m_sim.start(fleet), qPrintable(m_sim.errorString()));
}

PD_TCP_REPLY tst_TcpClient::exchange(const QString &address, int flags)
{
    m_sim.clearEvents();
    TcpClient client;
    client.setNetworkAccessManager(&m_manager);
    QSignalSpy results(&client, &TcpClient::device_results);
    client.SetRequestFlags(flags);
    client.Start(QHostAddress(address), 7142, QHostAddress(QHostAddress(address).toIPv4Address() + 100));
    if (results.isEmpty() && !results.wait(20000))
        return {};
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    [&] { QCOMPARE(results.count(), 1); }();
    return results.first().at(0).value<PD_TCP_REPLY>();
}

void tst_TcpClient::fullSearch()
{
    const int flags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE
                      | TCP_REQ_VERSIONS | TCP_REQ_VERIFY_IP2 | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS
                      | TCP_REQ_POWER_SAVE_READ;
    const PD_TCP_REPLY r = exchange(addr(2), flags);
    QCOMPARE(r.ipAddress, QHostAddress(addr(2)));
    QCOMPARE(QList<int>({r.tcpStatus, r.requestFlags, r.powerState, r.powerSaveMode, r.ip2CheckResult, r.lockStatus}),
             QList<int>({0, flags, 1, 0, 0, 1}));
    QCOMPARE(QStringList({r.modelName, r.serialNumber, r.currentFirmware, r.fwVersions[0], r.fwVersions[3], r.assetTag}),
             QStringList({"K5-552", "SN", "R1.300", "F1", "F4", "Lobby"}));
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
    QTest::addColumn<int>("tcpStatus");
    QTest::addColumn<QStringList>("read"); // model name, serial number and lock status
    QTest::addColumn<int>("commands");     // how many the display received
    QTest::newRow("silent command: sent twice, then skipped") << 5 << 0 << QStringList{"K5-552", "", "1"} << 3;
    QTest::newRow("reply in two pieces") << 6 << 0 << QStringList{"K5-552", "SN", "1"} << 2;
    QTest::newRow("bad block check code") << 7 << -3001 << QStringList{"K5-552", "", "-1"} << 2;
    QTest::newRow("connection refused") << 9 << -1 << QStringList{"", "", "-1"} << 0;
    QTest::newRow("no web server") << 15 << 0 << QStringList{"K5-552", "SN", "2"} << 2;
}

void tst_TcpClient::displayBehaviour()
{
    QFETCH(int, host);
    QFETCH(int, tcpStatus);
    QFETCH(QStringList, read);
    QFETCH(int, commands);
    const PD_TCP_REPLY r =
        exchange(addr(host), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_LOCK_STATUS);
    QCOMPARE(r.tcpStatus, tcpStatus);
    QCOMPARE(r.ipAddress, QHostAddress(addr(host)));
    QCOMPARE(QStringList({r.modelName, r.serialNumber, QString::number(r.lockStatus)}), read);
    QCOMPARE(m_sim.events(QStringLiteral("tcpCommand")).size(), commands);
}

void tst_TcpClient::connectTimeoutFails()
{
    // A listener whose accept queue is full drops further connection attempts.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{sa_family_t(AF_INET), htons(7142), {inet_addr(addr(250).toLatin1().constData())}, {}};
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
    const rlimit lowered{qMin<rlim_t>(limit.rlim_max, 256), limit.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const long raised = raiseOpenFileLimit();
    rlimit now{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &now), 0);
    QCOMPARE(now.rlim_cur, limit.rlim_max);
    QVERIFY(limit.rlim_max == RLIM_INFINITY || raised == long(limit.rlim_max));
}

QTEST_GUILESS_MAIN(tst_TcpClient)
#include "tst_tcpclient.moc"

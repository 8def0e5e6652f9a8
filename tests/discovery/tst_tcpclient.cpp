#include "app/timing.h"
#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"

#include "simulatorprocess.h"

#include <QtTest>

#include <arpa/inet.h>
#include <sys/resource.h>
#include <unistd.h>

// Whole control exchanges over loopback against the display simulator, with the time-outs scaled down; what each
// reply means is tested without sockets in tst_controlexchange. The displays live on 127.78.<block>.x, the block
// chosen by process id so that two builds running the suite at once do not collide.
namespace {

QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.78.%1.%2").arg(block).arg(host);
}

// A locked display with an alternate address, and faults as the simulator takes them.
QJsonObject display(int host, const QJsonObject &faults)
{
    return {{"address", addr(host)}, {"modelName", "K5-552"}, {"serialNumber", "SN"}, {"currentFirmware", "R1.300"},
            {"fwVersions", QJsonArray{"F1", "F2", "F3", "F4"}}, {"assetTag", "Lobby"}, {"powerSaveMode", 0},
            {"address2", addr(100 + host)}, {"locked", true}, {"faults", faults}};
}

}

class tst_TcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullSearch();
    void failures();
    void failureInsideStartIsReportedLater();
    void openFileLimitRaisedToHardLimit();

private:
    // Runs one exchange (IP address 2 is 100 hosts up) and checks that it reported exactly once.
    PD_TCP_REPLY exchange(const QString &address, int flags);

    SimulatorProcess m_sim;
};

void tst_TcpClient::initTestCase()
{
    Timing::setScale(0.2); // reply 400 ms, connect and web probes 1 s
    // The first display splits its model name reply in two and leaves the first serial number read unanswered.
    const QJsonArray faults{QJsonObject{{"command", "C217"}, {"fault", "split"}},
                            QJsonObject{{"command", "C216"}, {"fault", "noReply"}, {"times", 1}}};
    const QJsonArray badChecksum{QJsonObject{{"command", "C216"}, {"fault", "badChecksum"}}};
    QVERIFY2(m_sim.start(QJsonArray{display(2, {{"tcp", faults}}), display(7, {{"tcp", badChecksum}}),
                                    display(9, {{"tcpRefuse", true}})}), qPrintable(m_sim.errorString()));
}

PD_TCP_REPLY tst_TcpClient::exchange(const QString &address, int flags)
{
    m_sim.clearEvents();
    TcpClient client;
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
    const int flags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE | TCP_REQ_VERSIONS
                      | TCP_REQ_VERIFY_IP2 | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS | TCP_REQ_POWER_SAVE_READ;
    const PD_TCP_REPLY r = exchange(addr(2), flags);
    QCOMPARE(QList<int>({r.tcpStatus, r.requestFlags, r.powerState, r.powerSaveMode, r.ip2CheckResult, r.lockStatus}),
             QList<int>({0, flags, 1, 0, 0, 1}));
    QCOMPARE(QStringList({r.ipAddress.toString(), r.modelName, r.serialNumber, r.currentFirmware, r.fwVersions[0],
                          r.fwVersions[3], r.assetTag}),
             QStringList({addr(2), "K5-552", "SN", "R1.300", "F1", "F4", "Lobby"}));
    QTRY_COMPARE(m_sim.events(QStringLiteral("tcpCommand")).size(), 12); // C217 ... CA0204 one at a time, C216 twice
    QTRY_COMPARE(m_sim.events(QStringLiteral("httpRequest")).size(), 2); // the alternate address and the start page
}

void tst_TcpClient::failures()
{
    QCOMPARE(exchange(addr(7), TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER).tcpStatus, -3001); // a bad block check code
    QCOMPARE(exchange(addr(9), TCP_REQ_MODEL_NAME).tcpStatus, -1); // refused
    // A listener whose accept queue is full drops further connection attempts: the connection times out.
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
    // The owner counts an exchange once Start returns, so a connection that fails inside it is reported on the next
    // turn of the event loop. TCP to a multicast address fails in connect() itself, before anything is sent.
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

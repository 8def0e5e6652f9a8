#include "app/timing.h"
#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"

#include "simulatorprocess.h"

#include <QtTest>

#include <arpa/inet.h>
#include <sys/resource.h>
#include <unistd.h>

// What the control client itself does over loopback, with the time-outs scaled down: reassembling a reply, sending
// an unanswered read again, giving up on a connection. What each reply means is tested without sockets in
// tst_controlexchange, whole exchanges with web probes in tst_searchorchestration. Addresses are 127.78.<block>.x,
// the block chosen by process id so that two builds running the suite at once do not collide.
namespace {

QString addr(int host)
{
    static const int block = int(QCoreApplication::applicationPid() % 250) + 1;
    return QStringLiteral("127.78.%1.%2").arg(block).arg(host);
}

}

class tst_TcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exchanges_data();
    void exchanges();
    void openFileLimitRaisedToHardLimit();

private:
    SimulatorProcess m_sim;
    QTcpSocket m_filler;
};

void tst_TcpClient::initTestCase()
{
    Timing::setScale(0.2); // reply 400 ms, connect 1 s
    // The display splits its model name reply in two and leaves the first serial number read unanswered.
    const QJsonArray faults{QJsonObject{{"command", "C217"}, {"fault", "split"}},
                            QJsonObject{{"command", "C216"}, {"fault", "noReply"}, {"times", 1}}};
    QVERIFY2(m_sim.start(QJsonArray{QJsonObject{{"address", addr(2)}, {"modelName", "K5-552"}, {"serialNumber", "SN"},
                                                {"faults", QJsonObject{{"tcp", faults}}}}}),
             qPrintable(m_sim.errorString()));
    // A listener whose accept queue is full drops further connection attempts (left open until the process ends).
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{sa_family_t(AF_INET), htons(7142), {inet_addr(addr(250).toLatin1().constData())}, {}};
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&where), sizeof where), 0);
    QCOMPARE(::listen(listener, 0), 0);
    m_filler.connectToHost(QHostAddress(addr(250)), 7142);
    QVERIFY(m_filler.waitForConnected(5000));
}

void tst_TcpClient::exchanges_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("reply"); // status, model name, serial number
    QTest::newRow("reply in pieces, unanswered read sent again") << addr(2) << "0 K5-552 SN";
    QTest::newRow("connection times out") << addr(250) << "-1  ";
    // TCP to a multicast address fails in connect() itself; the owner counts the exchange once Start returns.
    QTest::newRow("failure inside Start") << "ff02::1" << "-1  ";
}

void tst_TcpClient::exchanges()
{
    QFETCH(QString, address);
    QFETCH(QString, reply);
    TcpClient client;
    QSignalSpy results(&client, &TcpClient::device_results);
    client.SetRequestFlags(TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER);
    client.Start(QHostAddress(address), 7142, QHostAddress());
    QCOMPARE(results.count(), 0); // never from inside Start
    QVERIFY(results.wait(20000));
    QCoreApplication::processEvents();
    QCOMPARE(results.count(), 1);
    const PD_TCP_REPLY r = results.first().at(0).value<PD_TCP_REPLY>();
    QCOMPARE(QStringLiteral("%1 %2 %3").arg(r.tcpStatus).arg(r.modelName, r.serialNumber), reply);
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

#include "app/timing.h"
#include "discovery/displayprobes.h"
#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"
#include "discovery/webprobe.h"

#include "simulatorprocess.h"
#include "tinyhttpserver.h"

#include <QtTest>

#include <arpa/inet.h>
#include <sys/resource.h>
#include <unistd.h>

// What the control client itself does over loopback, and its web probes against a loopback web server, with the
// time-outs scaled down; replies and probe pages are judged in tst_controlexchange, the framing of a probe's reply
// with the update replies in tst_replyrules, whole exchanges with web probes in tst_searchorchestration. Displays
// are 127.78.<block>.x, the block chosen by process id so that two builds running the suite at once do not collide.
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
    void probes_data();
    void probes();
    void openFileLimitRaisedToHardLimit();

private:
    SimulatorProcess m_sim;
    QTcpSocket m_filler;
};

void tst_TcpClient::initTestCase()
{
    Timing::setScale(0.2); // reply 400 ms, connect 1 s, a probe's wait for a response 1 s
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

void tst_TcpClient::probes_data()
{
    QTest::addColumn<bool>("lock");      // the lock probe, else the alternate-address probe
    QTest::addColumn<int>("httpStatus"); // 0: nothing listens; -1: the null address, a URL without a host
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<int>("result"); // lockStatus or ip2CheckResult
    const auto row = [](const char *name, bool lock, int status, int result, const QByteArray &headers = {}) {
        QTest::newRow(name) << lock << status << headers << result;
    };
    row("no web server", true, 0, 2);
    // A locked display redirects to its login page, which does not link to itself: the redirect is the answer.
    row("redirect to the login page", true, 302, 1, "Location: /Logon/login.html\r\n");
    row("page stalls after its headers", true, 200, 2, "X-Stall: 1\r\n");
    row("alternate address answers", false, 200, 0);
    row("error page with a login link", true, 404, 2); // no page of the display's
    row("no alternate address", false, -1, 1);
}

void tst_TcpClient::probes()
{
    QFETCH(bool, lock);
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, headers);
    QFETCH(int, result);
    TinyHttpServer server;
    QTcpServer closed; // a port that nothing listens on once it closes
    QVERIFY(server.listen() && closed.listen(QHostAddress::LocalHost));
    const QByteArray path = lock ? "/index.html" : "/";
    const auto behaviour = headers.startsWith("X-Stall") ? TinyHttpServer::Behaviour::Stall : TinyHttpServer::Behaviour::Answer;
    server.setRoute(path, {"<a href=\"/Logon/login.html\">Log on</a>", httpStatus, behaviour, 0, headers});
    server.setRoute("/Logon/login.html", {"<html><form>User name</form></html>"});
    const quint16 port = httpStatus == 0 ? closed.serverPort() : server.port();
    closed.close();
    const QHostAddress host = httpStatus < 0 ? QHostAddress() : QHostAddress(QHostAddress::LocalHost);
    const QUrl url = lock ? DisplayProbes::lockProbeUrl(host, port) : DisplayProbes::alternateAddressProbeUrl(host, port);
    std::unique_ptr<WebProbe> probe(DisplayProbes::createProbe(url, nullptr));
    QSignalSpy finished(probe.get(), &WebProbe::statusChanged);
    probe->start();
    QVERIFY(finished.isEmpty()); // never from inside start()
    QVERIFY(finished.wait(10000));
    const int status = finished.first().at(1).toInt();
    QCOMPARE(lock ? DisplayProbes::lockStatusFromProbe(status, probe->data())
                  : DisplayProbes::ip2CheckResultFromProbe(status, probe->data()), result);
    QCOMPARE(server.requests(), httpStatus > 0 ? QList<QByteArray>{path} : QList<QByteArray>{});
    QCOMPARE(WebProbeHttp::request(QUrl(QStringLiteral("http://192.168.0.5:8080"))),
             QByteArray("GET / HTTP/1.1\r\nHost: 192.168.0.5:8080\r\nConnection: close\r\n\r\n"));
}

void tst_TcpClient::openFileLimitRaisedToHardLimit()
{
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit lowered{qMin<rlim_t>(limit.rlim_max, 256), limit.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    QCOMPARE(raiseOpenFileLimit(), limit.rlim_max == RLIM_INFINITY ? LONG_MAX : long(limit.rlim_max));
}

QTEST_GUILESS_MAIN(tst_TcpClient)
#include "tst_tcpclient.moc"

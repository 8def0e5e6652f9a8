#include "discovery/displayprobes.h"
#include "download/filedownloader.h"

#include "tinyhttpserver.h"

#include <QNetworkAccessManager>
#include <QtTest>

// The web-lock and alternate-address probes against a loopback web server.
class tst_DisplayProbes : public QObject
{
    Q_OBJECT

private slots:
    void probes_data();
    void probes();
};

void tst_DisplayProbes::probes_data()
{
    QTest::addColumn<bool>("lock");      // the lock probe, else the alternate-address probe
    QTest::addColumn<int>("httpStatus"); // 0: nothing listens; -1: the null address, a URL without a host
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<int>("result"); // lockStatus or ip2CheckResult
    const auto row = [](const char *name, bool lock, int status, const QByteArray &body, int result,
                        const QByteArray &headers = {}) { QTest::newRow(name) << lock << status << body << headers << result; };
    row("login link", true, 200, "<a href=\"/Logon/login.html\">Log on</a>", 1);
    row("lower-case path is not the login", true, 200, "<a href=\"/logon/\">", 0);
    row("empty page", true, 200, "", 2);
    row("server error", true, 500, "/Logon/", 2);
    row("no web server", true, 0, "", 2);
    // A locked display redirects to its login page, which does not link to itself: the redirect is the answer.
    row("redirect to the login page", true, 302, "<a href=\"/Logon/login.html\">moved</a>", 1,
        "Location: /Logon/login.html\r\n");
    row("alternate address answers", false, 200, "<html>second interface</html>", 0);
    row("alternate address answers empty", false, 200, "", 1);
    row("no alternate address", false, -1, "<html/>", 1);
}

void tst_DisplayProbes::probes()
{
    QFETCH(bool, lock);
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, headers);
    QFETCH(int, result);
    TinyHttpServer server;
    QVERIFY(server.listen());
    const QByteArray path = lock ? "/index.html" : "/";
    server.setRoute(path, {body, httpStatus, TinyHttpServer::Behaviour::Answer, 0, headers});
    server.setRoute("/Logon/login.html", {"<html><form>User name</form></html>"});
    quint16 port = server.port();
    if (httpStatus == 0) {
        QTcpServer placeholder; // a port that nothing listens on once it closes
        QVERIFY(placeholder.listen(QHostAddress::LocalHost));
        port = placeholder.serverPort();
    }
    const QHostAddress host = httpStatus < 0 ? QHostAddress() : QHostAddress(QHostAddress::LocalHost);
    const QUrl url = lock ? DisplayProbes::lockProbeUrl(host, port) : DisplayProbes::alternateAddressProbeUrl(host, port);
    QNetworkAccessManager manager;
    std::unique_ptr<FileDownloader> probe(DisplayProbes::createProbe(url, &manager, nullptr));
    QSignalSpy finished(probe.get(), &FileDownloader::statusChanged);
    probe->start();
    QVERIFY(!finished.isEmpty() || finished.wait(10000));
    const int status = finished.first().at(1).toInt();
    QCOMPARE(lock ? DisplayProbes::lockStatusFromProbe(status, probe->data())
                  : DisplayProbes::ip2CheckResultFromProbe(status, probe->data()), result);
    QCOMPARE(server.requests(), httpStatus > 0 ? QList<QByteArray>{path} : QList<QByteArray>{});
}

QTEST_GUILESS_MAIN(tst_DisplayProbes)
#include "tst_displayprobes.moc"

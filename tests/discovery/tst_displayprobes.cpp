#include "discovery/displayprobes.h"
#include "download/filedownloader.h"

#include "tinyhttpserver.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

// The web-lock and alternate-address probes against a loopback web server.
class tst_DisplayProbes : public QObject
{
    Q_OBJECT

private slots:
    void lockProbe_data();
    void lockProbe();
    void alternateAddressProbe_data();
    void alternateAddressProbe();

private:
    // The final status and the body of one probe.
    QPair<int, QByteArray> runProbe(const QUrl &url);

    QNetworkAccessManager m_manager;
};

QPair<int, QByteArray> tst_DisplayProbes::runProbe(const QUrl &url)
{
    std::unique_ptr<FileDownloader> probe(DisplayProbes::createProbe(url, &m_manager, nullptr));
    QSignalSpy status(probe.get(), &FileDownloader::statusChanged);
    probe->start();
    if (status.isEmpty() && !status.wait(10000))
        return {-1, {}};
    return {status.first().at(1).toInt(), probe->data()};
}

void tst_DisplayProbes::lockProbe_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("httpStatus"); // 0: nothing listens
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<int>("lockStatus");
    QTest::newRow("login link") << QByteArray("<a href=\"/Logon/login.html\">Log on</a>") << 200 << QByteArray() << 1;
    QTest::newRow("plain start page") << QByteArray("<html>Display settings</html>") << 200 << QByteArray() << 0;
    QTest::newRow("lower-case path is not the login") << QByteArray("<a href=\"/logon/\">") << 200 << QByteArray() << 0;
    QTest::newRow("empty page") << QByteArray() << 200 << QByteArray() << 2;
    QTest::newRow("server error") << QByteArray("/Logon/") << 500 << QByteArray() << 2;
    QTest::newRow("no web server") << QByteArray() << 0 << QByteArray() << 2;
    // A locked display sends its start page to the login page, which does
    // not link to itself: the redirect is the answer, and it is not followed.
    QTest::newRow("redirect to the login page")
        << QByteArray("<a href=\"/Logon/login.html\">moved</a>") << 302
        << QByteArray("Location: /Logon/login.html\r\n") << 1;
}

void tst_DisplayProbes::lockProbe()
{
    QFETCH(QByteArray, body);
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, headers);
    QFETCH(int, lockStatus);
    TinyHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/index.html", {body, httpStatus, TinyHttpServer::Behaviour::Answer, 0, headers});
    server.setRoute("/Logon/login.html", {"<html><form>User name</form></html>"});
    quint16 port = server.port();
    if (httpStatus == 0) {
        QTcpServer placeholder; // a port that nothing listens on once it closes
        QVERIFY(placeholder.listen(QHostAddress::LocalHost));
        port = placeholder.serverPort();
    }
    const auto [status, page] = runProbe(DisplayProbes::lockProbeUrl(QHostAddress::LocalHost, port));
    QCOMPARE(DisplayProbes::lockStatusFromProbe(status, page), lockStatus);
    QCOMPARE(server.requests(), httpStatus ? QList<QByteArray>{"/index.html"} : QList<QByteArray>{});
}

void tst_DisplayProbes::alternateAddressProbe_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("nullAddress"); // a search reply without IP address 2
    QTest::addColumn<int>("ip2CheckResult");
    QTest::newRow("answers") << QByteArray("<html>second interface</html>") << false << 0;
    QTest::newRow("empty body") << QByteArray() << false << 1;
    QTest::newRow("null address: no host, fails") << QByteArray("<html/>") << true << 1;
}

void tst_DisplayProbes::alternateAddressProbe()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, nullAddress);
    QFETCH(int, ip2CheckResult);
    TinyHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/", {body});
    const QUrl url = nullAddress ? DisplayProbes::alternateAddressProbeUrl(QHostAddress())
                                 : DisplayProbes::alternateAddressProbeUrl(QHostAddress::LocalHost, server.port());
    QCOMPARE(url.host().isEmpty(), nullAddress);
    const auto [status, page] = runProbe(url);
    QCOMPARE(DisplayProbes::ip2CheckResultFromProbe(status, page), ip2CheckResult);
    QCOMPARE(server.requests().size(), nullAddress ? 0 : 1);
}

QTEST_GUILESS_MAIN(tst_DisplayProbes)
#include "tst_displayprobes.moc"

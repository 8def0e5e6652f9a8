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
    void urls();
    void unassignedAddress_data();
    void unassignedAddress();
    void lockProbe_data();
    void lockProbe();
    void lockProbeOfUnreachableServer();
    void alternateAddressProbe_data();
    void alternateAddressProbe();
    void alternateAddressProbeOfNullAddress();

private:
    struct Result
    {
        int status = -1;
        QByteArray body;
    };
    Result runProbe(const QUrl &url);

    QNetworkAccessManager m_manager;
};

tst_DisplayProbes::Result tst_DisplayProbes::runProbe(const QUrl &url)
{
    std::unique_ptr<FileDownloader> probe(DisplayProbes::createProbe(url, &m_manager, nullptr));
    QSignalSpy status(probe.get(), &FileDownloader::statusChanged);
    probe->start();
    if (status.isEmpty() && !status.wait(10000))
        return {};
    return {status.first().at(1).toInt(), probe->data()};
}

void tst_DisplayProbes::urls()
{
    QCOMPARE(DisplayProbes::lockProbeUrl(QHostAddress(QStringLiteral("127.0.0.5"))).toString(),
             QStringLiteral("http://127.0.0.5/index.html"));
    QCOMPARE(DisplayProbes::alternateAddressProbeUrl(QHostAddress(QStringLiteral("127.0.0.6"))).toString(),
             QStringLiteral("http://127.0.0.6"));
    QCOMPARE(DisplayProbes::lockProbeUrl(QHostAddress(QStringLiteral("127.0.0.5")), 8080).toString(),
             QStringLiteral("http://127.0.0.5:8080/index.html"));
}

void tst_DisplayProbes::unassignedAddress_data()
{
    QTest::addColumn<QString>("address"); // empty: the null address
    QTest::addColumn<bool>("unassigned");
    QTest::newRow("0.0.0.0") << "0.0.0.0" << true;
    QTest::newRow("mapped 0.0.0.0") << "::ffff:0.0.0.0" << true;
    QTest::newRow("null") << QString() << false;
    QTest::newRow("IPv6 unspecified") << "::" << false;
    QTest::newRow("an address") << "127.0.0.6" << false;
}

void tst_DisplayProbes::unassignedAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, unassigned);
    QCOMPARE(DisplayProbes::isUnassigned(address.isEmpty() ? QHostAddress() : QHostAddress(address)), unassigned);
}

void tst_DisplayProbes::lockProbe_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<int>("lockStatus");
    QTest::newRow("login link") << QByteArray("<html><a href=\"/Logon/login.html\">Log on</a></html>") << 200 << 1;
    QTest::newRow("plain start page") << QByteArray("<html><body>Display settings</body></html>") << 200 << 0;
    QTest::newRow("lower-case path is not the login") << QByteArray("<a href=\"/logon/\">") << 200 << 0;
    QTest::newRow("empty page") << QByteArray() << 200 << 2;
    QTest::newRow("server error") << QByteArray("/Logon/") << 500 << 2;
}

void tst_DisplayProbes::lockProbe()
{
    QFETCH(QByteArray, body);
    QFETCH(int, httpStatus);
    QFETCH(int, lockStatus);
    TinyHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/index.html", {body, httpStatus});
    const Result result = runProbe(DisplayProbes::lockProbeUrl(QHostAddress::LocalHost, server.port()));
    QCOMPARE(server.requests(), QList<QByteArray>{"/index.html"});
    QCOMPARE(DisplayProbes::lockStatusFromProbe(result.status, result.body), lockStatus);
}

void tst_DisplayProbes::lockProbeOfUnreachableServer()
{
    quint16 closedPort = 0;
    {
        QTcpServer placeholder;
        QVERIFY(placeholder.listen(QHostAddress::LocalHost));
        closedPort = placeholder.serverPort();
    }
    const Result result = runProbe(DisplayProbes::lockProbeUrl(QHostAddress::LocalHost, closedPort));
    QCOMPARE(result.status, 10003);
    QCOMPARE(DisplayProbes::lockStatusFromProbe(result.status, result.body), 2);
}

void tst_DisplayProbes::alternateAddressProbe_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("ip2CheckResult");
    QTest::newRow("answers") << QByteArray("<html>second interface</html>") << 0;
    QTest::newRow("empty body") << QByteArray() << 1;
}

void tst_DisplayProbes::alternateAddressProbe()
{
    QFETCH(QByteArray, body);
    QFETCH(int, ip2CheckResult);
    TinyHttpServer server;
    QVERIFY(server.listen());
    server.setRoute("/", {body});
    const Result result = runProbe(DisplayProbes::alternateAddressProbeUrl(QHostAddress::LocalHost, server.port()));
    QCOMPARE(server.requests(), QList<QByteArray>{"/"});
    QCOMPARE(DisplayProbes::ip2CheckResultFromProbe(result.status, result.body), ip2CheckResult);
}

void tst_DisplayProbes::alternateAddressProbeOfNullAddress()
{
    // A search reply without IP address 2: the request has no host and fails.
    const QUrl url = DisplayProbes::alternateAddressProbeUrl(QHostAddress());
    QVERIFY(url.host().isEmpty());
    const Result result = runProbe(url);
    QCOMPARE(result.status, 10003);
    QCOMPARE(DisplayProbes::ip2CheckResultFromProbe(result.status, result.body), 1);
}

QTEST_GUILESS_MAIN(tst_DisplayProbes)
#include "tst_displayprobes.moc"

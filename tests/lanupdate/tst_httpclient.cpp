#include "app/timing.h"
#include "lanupdate/directrequest.h"
#include "lanupdate/httpclient.h"
#include "simulatorprocess.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// Update sessions of every dialect against the display simulator over
// loopback: complete updates and the failure paths an operator meets.
// Time-outs and waits run at a twentieth (Timing), the displays' update
// durations at a fiftieth.
class tst_HttpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void session_data();
    void session();
    void keyedNearlyDoneThenIdle();
    void transportErrors_data();
    void transportErrors();
    void directReplies_data();
    void directReplies();

private:
    QString address(int host) const;
    QString firmware(int slot, int size);
    void runSession(HttpClient &client, SimulatorProcess &sim, int host, int series, const QJsonObject &display,
                    const QList<int> &pending, int size);

    QTemporaryDir m_dir;
};

namespace {
constexpr double kScale = 0.05;

QStringList g_log;
void keepLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_log << message;
}
int logged(const char *text)
{
    return int(g_log.filter(QLatin1String(text)).size());
}

// A display's web server on loopback that answers as the test scripts it:
// the reply bytes for each request (by target and number), after which it
// closes the connection. It can stop listening, so that connections are
// refused (a network layer does not retry those by itself).
class WebServer : public QObject
{
public:
    using Script = std::function<QByteArray(const QByteArray &target, int number)>;
    explicit WebServer(Script script) : m_script(std::move(script))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }
    bool listen(const QString &address, quint16 port = 80)
    {
        return m_server.listen(QHostAddress(address), port) && (m_port = m_server.serverPort()) > 0;
    }
    quint16 port() const { return m_port; }
    void close() { m_server.close(); }
    QList<int> stopAfter; // answered request numbers after which it stops listening
    qint64 bodyBytes = 0; // of the last request

private:
    void serve(QTcpSocket *socket)
    {
        m_buffer += socket->readAll();
        const int headEnd = m_buffer.indexOf("\r\n\r\n");
        static const QRegularExpression lengthHeader(QStringLiteral("content-length: *(\\d+)"),
                                                     QRegularExpression::CaseInsensitiveOption);
        const QByteArray head = m_buffer.left(headEnd);
        bodyBytes = lengthHeader.match(QString::fromLatin1(head)).captured(1).toLongLong();
        if (headEnd < 0 || m_buffer.size() < headEnd + 4 + bodyBytes)
            return;
        m_buffer.clear();
        socket->write(m_script(head.split(' ').value(1), ++m_answered));
        socket->disconnectFromHost();
        if (stopAfter.contains(m_answered))
            m_server.close();
    }

    Script m_script;
    QTcpServer m_server;
    quint16 m_port = 0;
    QByteArray m_buffer;
    int m_answered = 0;
};

// A CGI display that does everything asked of it at once.
QByteArray cgiDisplay(const QByteArray &target, bool *uploaded)
{
    QByteArray body = "OK";
    *uploaded = *uploaded || target.contains("CM=00");
    if (target.startsWith("/update/FileCheckResult"))
        body = *uploaded ? R"({"upload":2,"paccheck_result":100,"result_code":100})" : R"({"upload":1})";
    else if (target.startsWith("/update/UpdateResult"))
        body = R"({"update_result":[{"result_code":204}]})";
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}
}

void tst_HttpClient::initTestCase()
{
    QVERIFY(m_dir.isValid());
    Timing::setScale(kScale);
}

// A /24 block of its own per process, so that parallel runs do not collide.
QString tst_HttpClient::address(int host) const
{
    return QStringLiteral("127.79.%1.%2").arg(QCoreApplication::applicationPid() % 250 + 1).arg(host);
}

QString tst_HttpClient::firmware(int slot, int size)
{
    const QString path = m_dir.filePath(QStringLiteral("fw%1_%2.bin").arg(slot).arg(size));
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + slot) & 0xff);
    return writeFile(path, bytes) ? path : QString();
}

void tst_HttpClient::runSession(HttpClient &client, SimulatorProcess &sim, int host, int series,
                                const QJsonObject &display, const QList<int> &pending, int size)
{
    QJsonObject entry = display;
    entry.insert(QStringLiteral("address"), address(host));
    entry.insert(QStringLiteral("seriesCode"), series);
    entry.insert(QStringLiteral("updateTimeScale"), 0.02);
    QVERIFY2(sim.start(QJsonArray{entry}), qPrintable(sim.errorString()));
    QStringList files;
    LanUpdate::SlotFlags flags{};
    for (int slot = 0; slot < LanUpdate::kSlotCount; ++slot) {
        files << (size < 0 ? m_dir.filePath(QStringLiteral("missing.bin")) : firmware(slot, size));
        flags[slot] = pending.contains(slot);
    }
    client.setup(host - 1, address(host), files, flags, 0, series, pending.size());
    QCOMPARE(client.status(), 1);
    client.start();
    QVERIFY(QTest::qWaitFor([&] { return client.status() != 2; }, 30000));
}

void tst_HttpClient::session_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<QJsonObject>("display");
    QTest::addColumn<QList<int>>("pending");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<int>>("slotStatus"); // of slots 0 and 1
    QTest::addColumn<QString>("countedEvent");  // event and fields, JSON
    QTest::addColumn<int>("count");

    using O = QJsonObject;
    auto update = [](const char *key, const QJsonValue &value) { return O{{"faults", O{{"update", O{{key, value}}}}}}; };
    auto steps = [](const char *step, int times) { return O{{"step", step}, {"times", times}}; };
    const QString uploads = QStringLiteral(R"(["updateRequest", {"step": "upload"}])");
    const QList<int> one{0};

    QTest::newRow("legacy") << 1 << O{} << QList<int>{0, 2} << 20000 << 3 << QList<int>{3, 0} << uploads << 2;
    QTest::newRow("cgi") << 3 << O{} << one << 20000 << 3 << QList<int>{3, 0} << uploads << 1;
    QTest::newRow("timed, two slots") << 10 << O{} << QList<int>{0, 1} << 20000 << 3 << QList<int>{3, 3} << uploads << 1;
    QTest::newRow("chunked 512000") << 9 << O{} << one << 512000 << 3 << QList<int>{3, 0} << uploads << 2;
    QTest::newRow("chunked 1.5 chunks") << 9 << O{} << one << 768000 << 3 << QList<int>{3, 0} << uploads << 3;
    QTest::newRow("keyed") << 11 << O{} << one << 20000 << 3 << QList<int>{3, 0} << uploads << 1;

    QTest::newRow("cgi upload state 0 twice") << 3 << update("uploadStateZero", 2) << one << 20000 << 3 << QList<int>{3, 0}
                                              << R"(["updateRequest", {"step": "fileDelete"}])" << 3;
    QTest::newRow("cgi step time-out") << 3 << update("noAnswer", steps("modeChange", 1)) << one << 20000 << -3
                                       << QList<int>{-1, 0} << uploads << 1;
    QTest::newRow("cgi file check fails") << 3 << update("fileCheckFails", 1) << one << 20000 << -2
                                          << QList<int>{-2, 0} << R"(["updateRequest", {"step": "modeChange"}])" << 0;
    QTest::newRow("cgi component fails") << 3 << update("updateFails", 2) << QList<int>{0, 1} << 20000 << 4
                                         << QList<int>{3, -4} << uploads << 1;
    QTest::newRow("cgi HTTP 503") << 3 << O{{"faults", O{{"httpStatus", 503}}}} << one << 20000 << -1
                                  << QList<int>{-1, 0} << R"(["httpRequest", {}])" << 1;
    QTest::newRow("chunked rejected chunk") << 9 << update("reject", steps("upload", 2)) << one << 20000 << -1
                                            << QList<int>{-1, 0} << uploads << 1;
    QTest::newRow("chunked refused") << 9 << O{{"webServer", false}} << one << 20000 << -1 << QList<int>{-1, 0}
                                     << R"(["tcpConnection", {}])" << 0;
    QTest::newRow("legacy image writing") << 2 << update("imageWriting", true) << one << 20000 << 3
                                          << QList<int>{3, 0} << R"(["updateResult", {"result": "success"}])" << 1;
    QTest::newRow("legacy -5, -5, -4") << 2 << update("updateFails", 1) << QList<int>{0, 1} << 20000 << -4
                                       << QList<int>{-4, 0} << uploads << 3;
    QTest::newRow("keyed never starts") << 11 << update("progress", "neverStarts") << one << 20000 << 4
                                        << QList<int>{4, 0} << R"(["tcpCommand", {"message": "13030001"}])" << 2;
    QTest::newRow("keyed wrong key") << 11 << update("expectToken", 7) << one << 20000 << -1 << QList<int>{-1, 0}
                                     << R"(["updateRequest", {"step": "upload", "status": 403}])" << 1;
    QTest::newRow("keyed upload refused") << 11 << O{{"webServer", false}} << one << 20000 << -1
                                          << QList<int>{-1, 0} << R"(["tcpCommand", {"message": "13030001"}])" << 0;
    QTest::newRow("timed upload state refused") << 10 << update("reject", steps("uploadState", 4)) << one << 20000 << -1
                                                << QList<int>{-1, 0} << R"(["updateRequest", {"step": "uploadState"}])" << 4;
    QTest::newRow("keyed update fails") << 11 << update("progress", "fails") << one << 20000 << 4 << QList<int>{4, 0}
                                        << R"(["tcpCommand", {"message": "13030001"}])" << 1;
    QTest::newRow("keyed start refused") << 11 << O{{"faults", O{{"tcp", QJsonArray{O{{"command", "1303"}, {"fault", "BE"}}}}}}}
                                         << one << 20000 << 4 << QList<int>{4, 0} << uploads << 1;
    for (const int series : {1, 3, 9, 10, 11}) {
        QTest::addRow("file missing, series %d", series) << series << O{} << one << -1 << -2 << QList<int>{-2, 0}
                                                         << uploads << 0;
    }
    QTest::newRow("no dialect") << 7 << O{} << one << 20000 << -1 << QList<int>{0, 0} << R"(["httpRequest", {}])" << 0;
}

void tst_HttpClient::session()
{
    QFETCH(int, series);
    QFETCH(QJsonObject, display);
    QFETCH(QList<int>, pending);
    QFETCH(int, size);
    QFETCH(int, status);
    QFETCH(QList<int>, slotStatus);
    QFETCH(QString, countedEvent);
    QFETCH(int, count);

    SimulatorProcess sim;
    HttpClient client;
    QElapsedTimer clock;
    clock.start();
    runSession(client, sim, 2, series, display, pending, size);
    QCOMPARE(client.status(), status);
    QCOMPARE(client.componentStatus(0), slotStatus.at(0));
    QCOMPARE(client.componentStatus(1), slotStatus.at(1));
    QVERIFY(!HttpClient::statusText(status).startsWith(QLatin1String("Status:")));
    QCOMPARE(HttpClient::statusText(5), QStringLiteral("Status: 5"));

    const QJsonArray counted = QJsonDocument::fromJson(countedEvent.toUtf8()).array();
    int seen = 0;
    for (const QJsonObject &event : sim.events()) {
        seen += ToolProcess::matches(event, counted.at(0).toString(), counted.at(1).toObject());
        // Whatever the outcome, every request was one a display accepts as written.
        const QJsonArray problems = event.value(QStringLiteral("problems")).toArray();
        QVERIFY2(problems.isEmpty() || event.value(QStringLiteral("fault")).isString() || series == 11,
                 qPrintable(QJsonDocument(event).toJson(QJsonDocument::Compact)));
    }
    QCOMPARE(seen, count);

    int percent = 0;
    QVERIFY(QTest::qWaitFor([&] { return !client.uploadState(percent); }, 1000));
    if (status == 3) {
        QCOMPARE(percent, 100);
        for (const int slot : pending)
            QCOMPARE(client.componentProgress(slot), 100);
        const QString file = firmware(pending.first(), size);
        const QByteArray md5 = QCryptographicHash::hash(readFile(file), QCryptographicHash::Md5).toHex();
        QVERIFY(sim.waitForEvent("uploadComplete", {{"size", size}, {"md5", QString::fromLatin1(md5)}}, 0));
    }
    if (QTest::currentDataTag() == QLatin1String("legacy image writing"))
        QVERIFY(clock.elapsed() >= HttpClient::kLegacyWaitMs * kScale * 0.9); // coarse timers may fire 5 % early
}

// A display that reported 96 and then reports "not updating" has finished.
void tst_HttpClient::keyedNearlyDoneThenIdle()
{
    SimulatorProcess sim;
    QJsonObject display{{"address", address(3)}, {"seriesCode", 11}, {"updateTimeScale", 0.02},
                        {"faults", QJsonObject{{"update", QJsonObject{{"progress", "neverStarts"}}}}}};
    QVERIFY2(sim.start(QJsonArray{display}), qPrintable(sim.errorString()));
    HttpClient client;
    client.setup(2, address(3), {firmware(0, 1000)}, {true}, 0, 11, 1);
    client.start();
    QVERIFY(sim.waitForEvent("tcpCommand", {{"message", "1306"}}, 10000));
    PD_TCP_REPLY progress;
    progress.getParamValue = 96;
    client.tcpClientResults(progress);
    QCOMPARE(client.componentProgress(0), 96);
    QVERIFY(QTest::qWaitFor([&] { return client.status() != 2; }, 10000));
    QCOMPARE(client.status(), 3);
    const auto commands = sim.events(QStringLiteral("tcpCommand"));
    QCOMPARE(std::count_if(commands.begin(), commands.end(), [](const QJsonObject &e) { return e["message"] == "13030001"; }), 1);
}

// Connection refused at the awaiting steps: three in a row are retried, a
// success clears the count, the fourth in a row or one at a step that
// cannot be resent ends the session.
void tst_HttpClient::transportErrors_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QList<int>>("stopAfter");  // answered requests
    QTest::addColumn<QList<int>>("listenAfter"); // retries logged
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("retries");

    QTest::newRow("3, success, 3") << false << QList<int>{2} << QList<int>{3, 6} << 3 << 6;
    QTest::newRow("fourth in a row") << false << QList<int>{} << QList<int>{} << -1 << 3;
    QTest::newRow("at file delete") << true << QList<int>{1} << QList<int>{} << -1 << 1;
}

void tst_HttpClient::transportErrors()
{
    QFETCH(bool, listening);
    QFETCH(QList<int>, stopAfter);
    QFETCH(QList<int>, listenAfter);
    QFETCH(int, status);
    QFETCH(int, retries);

    bool uploaded = false;
    WebServer display([&uploaded](const QByteArray &target, int) { return cgiDisplay(target, &uploaded); });
    display.stopAfter = stopAfter;
    QVERIFY(!listening || display.listen(address(4)));
    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLog);
    HttpClient client;
    client.setup(3, address(4), {firmware(0, 1000)}, {true}, 0, 3, 1);
    client.start();
    for (const int count : listenAfter) {
        QVERIFY(QTest::qWaitFor([&] { return logged("Starting retry timer") >= count; }, 10000));
        QVERIFY(display.listen(address(4)));
    }
    QVERIFY(QTest::qWaitFor([&] { return client.status() != 2; }, 10000));
    qInstallMessageHandler(previous);
    QCOMPARE(client.status(), status);
    QCOMPARE(logged("Starting retry timer"), retries);
    QCOMPARE(logged("Max errors exceeded"), status == 3 ? 0 : 1);
}

// The replies a display's web server may give to a direct request, well or
// badly formed: a clear outcome each time (-1: transport error).
void tst_HttpClient::directReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("upload"); // bytes of firmware sent
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOKextra") << 0 << 200 << QByteArray("OK");
    QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n2\r\nOK\r\n3;x=1\r\n\r\n!\r\n0\r\n\r\n")
                             << 0 << 200 << QByteArray("OK\r\n!");
    QTest::newRow("until closed") << QByteArray("HTTP/1.0 200 OK\r\n\r\nFile written successfully") << 0 << 200
                                  << QByteArray("File written successfully");
    QTest::newRow("interim, then 403") << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
                                       << 0 << 403 << QByteArray();
    QTest::newRow("upload of 3 MB") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nOK\r\n") << 3000000 << 200
                                    << QByteArray("OK\r\n");
    QTest::newRow("not HTTP") << QByteArray("<html>garbage</html>\r\n\r\n") << 0 << -1 << QByteArray();
    QTest::newRow("closed in the body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nOK") << 0 << -1 << QByteArray();
    QTest::newRow("endless") << "HTTP/1.1 200 OK\r\n\r\n" + QByteArray(1100000, 'x') << 0 << -1 << QByteArray();
    QTest::newRow("refused") << QByteArray() << 0 << -1 << QByteArray();
}

void tst_HttpClient::directReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, upload);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    WebServer server([&reply](const QByteArray &, int) { return reply; });
    QVERIFY(server.listen(QStringLiteral("127.0.0.1"), 0));
    if (reply.isEmpty())
        server.close(); // its port now refuses connections
    LanUpdate::Request request = upload > 0
        ? LanUpdate::fileUpload(LanUpdate::Dialect::Cgi, QStringLiteral("127.0.0.1"), "000000000", firmware(0, upload), upload)
        : LanUpdate::uploadStateQuery(LanUpdate::Dialect::Cgi, QStringLiteral("127.0.0.1"), "000000000");
    request.url.setPort(server.port());
    DirectRequest direct(request);
    QSignalSpy finished(&direct, &DirectRequest::finished);
    QVERIFY(direct.start());
    QVERIFY(finished.wait(10000));
    QCOMPARE(direct.isTransportError() ? -1 : direct.httpStatus(), status);
    QCOMPARE(direct.body(), body);
    QVERIFY(direct.isTransportError() != direct.errorString().isEmpty());
    if (upload > 0)
        QCOMPARE(server.bodyBytes, request.bodyLength());
}

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"

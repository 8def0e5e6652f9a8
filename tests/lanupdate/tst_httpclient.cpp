#include "app/timing.h"
#include "lanupdate/httpclient.h"
#include "simulatorprocess.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

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

// A CGI display's web server that answers every request as a working
// display would, and that can stop listening, so that the session's
// connections are refused (a network layer does not retry those by itself).
class RefusingDisplay : public QObject
{
public:
    explicit RefusingDisplay(const QString &address) : m_address(address)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_sockets << socket;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }
    bool listen() { return m_server.listen(QHostAddress(m_address), 80); }
    QList<int> stopAfter; // answered request numbers after which it stops listening

private:
    void serve(QTcpSocket *socket)
    {
        m_buffer += socket->readAll();
        const int headEnd = m_buffer.indexOf("\r\n\r\n");
        static const QRegularExpression lengthHeader(QStringLiteral("content-length: *(\\d+)"),
                                                     QRegularExpression::CaseInsensitiveOption);
        const QByteArray head = m_buffer.left(headEnd);
        const int length = lengthHeader.match(QString::fromLatin1(head)).captured(1).toInt();
        if (headEnd < 0 || m_buffer.size() < headEnd + 4 + length)
            return;
        m_buffer.remove(0, headEnd + 4 + length);
        const QByteArray target = head.split(' ').value(1);
        QByteArray body = "OK";
        m_uploaded = m_uploaded || target.contains("CM=00");
        if (target.startsWith("/update/FileCheckResult"))
            body = m_uploaded ? R"({"upload":2,"paccheck_result":100,"result_code":100})" : R"({"upload":1})";
        else if (target.startsWith("/update/UpdateResult"))
            body = R"({"update_result":[{"result_code":204}]})";
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        if (stopAfter.contains(++m_answered)) {
            m_server.close();
            for (const auto &open : qAsConst(m_sockets)) {
                if (open)
                    open->disconnectFromHost();
            }
        }
    }

    QString m_address;
    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QByteArray m_buffer;
    bool m_uploaded = false;
    int m_answered = 0;
};
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
        files << firmware(slot, size);
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
    QTest::newRow("timed rejected upload") << 10 << update("reject", steps("upload", 1)) << one << 20000 << -1
                                           << QList<int>{-1, 0} << uploads << 1;
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
    QVERIFY(client.statusText(status).size() > 1);

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
        QVERIFY(clock.elapsed() >= HttpClient::kLegacyWaitMs * kScale);
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
    int starts = 0;
    for (const QJsonObject &event : sim.events("tcpCommand"))
        starts += event.value(QStringLiteral("message")) == QLatin1String("13030001");
    QCOMPARE(starts, 1);
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

    RefusingDisplay display(address(4));
    display.stopAfter = stopAfter;
    QVERIFY(!listening || display.listen());
    g_log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLog);
    HttpClient client;
    client.setup(3, address(4), {firmware(0, 1000)}, {true}, 0, 3, 1);
    client.start();
    for (const int count : listenAfter) {
        QVERIFY(QTest::qWaitFor([&] { return logged("Starting retry timer") >= count; }, 10000));
        QVERIFY(display.listen());
    }
    QVERIFY(QTest::qWaitFor([&] { return client.status() != 2; }, 10000));
    qInstallMessageHandler(previous);
    QCOMPARE(client.status(), status);
    QCOMPARE(logged("Starting retry timer"), retries);
    QCOMPARE(logged("Max errors exceeded"), status == 3 ? 0 : 1);
}

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"

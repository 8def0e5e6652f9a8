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

// Update sessions of every dialect against the display simulator over
// loopback: complete updates, the failure paths an operator meets, and a
// matrix of every fault at every step. Time-outs and waits run at a
// twentieth (Timing), the displays' update durations at a fiftieth or less.
class tst_HttpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void session_data();
    void session();
    void faultMatrix();
    void keyedNearlyDoneThenIdle();
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

// A display's web server on loopback that answers each whole request with
// the given bytes and closes the connection.
class WebServer : public QObject
{
public:
    explicit WebServer(const QByteArray &reply) : m_reply(reply)
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }
    QTcpServer server;
    qint64 bodyBytes = 0; // of the last request

private:
    void serve(QTcpSocket *socket)
    {
        m_buffer += socket->readAll();
        const int headEnd = m_buffer.indexOf("\r\n\r\n");
        static const QRegularExpression lengthHeader(QStringLiteral("content-length: *(\\d+)"),
                                                     QRegularExpression::CaseInsensitiveOption);
        bodyBytes = lengthHeader.match(QString::fromLatin1(m_buffer.left(headEnd))).captured(1).toLongLong();
        if (headEnd < 0 || m_buffer.size() < headEnd + 4 + bodyBytes)
            return;
        m_buffer.clear();
        socket->write(m_reply);
        socket->disconnectFromHost();
    }

    QByteArray m_reply;
    QByteArray m_buffer;
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
    // Three failed requests in a row are retried; a success clears the count.
    QTest::newRow("cgi 3 failures, success, 3") << 3 << O{{"faults", O{{"update", O{{"errorStatus", O{{"step", "uploadState"}, {"times", 3}}},
                                                                           {"drop", O{{"step", "fileCheck"}, {"times", 3}}}}}}}}
                                            << one << 20000 << 3 << QList<int>{3, 0} << R"(["updateRequest", {"fault": "drop"}])" << 3;
    QTest::newRow("legacy, nothing pending") << 1 << O{} << QList<int>{} << 20000 << -2 << QList<int>{-2, 0} << uploads << 0;
    QTest::newRow("legacy image writing") << 2 << update("imageWriting", true) << one << 20000 << 3
                                          << QList<int>{3, 0} << R"(["updateResult", {"result": "success"}])" << 1;
    QTest::newRow("legacy -5, -5, -4") << 2 << update("updateFails", 1) << QList<int>{0, 1} << 20000 << -4
                                       << QList<int>{-4, 0} << uploads << 3;
    QTest::newRow("keyed never starts") << 11 << update("progress", "neverStarts") << one << 20000 << 4
                                        << QList<int>{4, 0} << R"(["tcpCommand", {"message": "13030001"}])" << 2;
    for (const char *token : {"expectToken", "handOutToken"}) { // the display wants another key than the client derives
        QTest::addRow("keyed %s", token) << 11 << update(token, 7) << one << 20000 << -1 << QList<int>{-1, 0}
                                         << R"(["updateRequest", {"step": "upload", "status": 403}])" << 1;
    }
    QTest::newRow("cgi slow link") << 3 << update("uploadBytesPerSecond", 400000) << one << 500000 << 3 << QList<int>{3, 0} << uploads << 1;
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

    sim.stop(); // the program ends cleanly, its last word "stopped"
    QCOMPARE(sim.events().constLast().value(QStringLiteral("event")).toString(), QStringLiteral("stopped"));
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
    if (QTest::currentDataTag() == QLatin1String("cgi slow link")) // the display read the body at 400 kB/s
        QVERIFY(sim.events(QStringLiteral("uploadComplete")).constLast().value(QStringLiteral("seconds")).toDouble() >= 0.9);
}

// Every dialect against every fault at every step it uses, as one table of
// displays in one fleet, all sessions at once under a small deadline: each
// must end by its deadline, and end Complete exactly when its display
// reports a successful update. A fault at every attempt, or a failing file or
// component, never ends Complete: no fault is one the simulator ignores.
void tst_HttpClient::faultMatrix()
{
    using O = QJsonObject;
    QList<QPair<QString, O>> rows; // name, display
    QSet<int> lasting; // rows whose fault makes every attempt fail
    const QStringList polls{"uploadState", "fileCheck", "updateResult"};
    // Series, steps of the web server, polling steps, control commands (keyed:
    // token, start, progress; its update result is the progress read). A keyed
    // update lasts a few polls at least: one that ended between two polls
    // would read as never started.
    const QList<std::tuple<int, QStringList, QStringList, QStringList>> dialects{
        {1, {"upload"}, {}, {}},
        {3, {"standby", "fileDelete", "uploadState", "upload", "fileCheck", "modeChange", "updateCommand", "updateResult"}, polls, {}},
        {10, {"standby", "uploadState", "upload", "fileCheck", "updateCommand", "updateResult"}, polls, {}},
        {9, {"standby", "uploadState", "upload", "fileCheck", "updateCommand", "updateResult"}, polls, {}},
        {11, {"upload"}, {"updateResult"}, {"1307", "1303", "1306"}}};
    for (const auto &[series, steps, polling, commands] : dialects) {
        const auto add = [&, series = series](const QString &name, const O &faults, bool lasts = false) {
            if (lasts)
                lasting << int(rows.size());
            rows.append({QStringLiteral("series %1, %2").arg(series).arg(name),
                         O{{"address", address(10 + int(rows.size()))}, {"seriesCode", series},
                           {"updateTimeScale", series == 11 ? 0.05 : 0.01}, {"faults", faults}}});
        };
        const auto update = [](const QString &fault, const QJsonValue &value) { return O{{"update", O{{fault, value}}}}; };
        add(QStringLiteral("no fault"), {});
        for (const int times : {1, -1}) {
            for (const QString &step : steps) {
                for (const QString kind : {"reject", "drop", "noAnswer", "errorStatus"})
                    add(QStringLiteral("%1 %2 x%3").arg(kind, step).arg(times), update(kind, O{{"step", step}, {"times", times}}), times < 0);
            }
            for (const QString &command : commands) {
                for (const QString kind : {"BE", "noReply"})
                    add(QStringLiteral("%1 %2 x%3").arg(kind, command).arg(times), O{{"tcp", QJsonArray{O{{"command", command}, {"fault", kind}, {"times", times}}}}}, times < 0);
            }
        }
        for (const QString &step : polling)
            add(QStringLiteral("notYet ") + step, update(QStringLiteral("notYet"), O{{"step", step}}));
        // Legacy and chunked sessions here send one component only.
        add(QStringLiteral("component 2 fails"), series == 11 ? update("progress", "fails") : update("updateFails", 2), series != 1 && series != 9);
        if (series != 1 && series != 11)
            add(QStringLiteral("file check fails"), update("fileCheckFails", 1), true);
    }

    constexpr int kDeadlineSecs = 400;
    const qint64 deadlineMs = qint64(kDeadlineSecs * 1000 * kScale);
    QJsonArray fleet;
    for (const auto &row : qAsConst(rows))
        fleet.append(row.second);
    SimulatorProcess sim;
    QVERIFY2(sim.start(fleet), qPrintable(sim.errorString()));
    const QStringList files{firmware(0, 20000), firmware(1, 20000)};
    std::vector<std::unique_ptr<HttpClient>> clients;
    for (const auto &row : qAsConst(rows)) {
        const int series = row.second.value("seriesCode").toInt();
        clients.push_back(std::make_unique<HttpClient>());
        clients.back()->setup(int(clients.size()) - 1, row.second.value("address").toString(), files, {true, series == 3 || series == 10}, 0, series, 2);
        clients.back()->setDeadlineSecs(kDeadlineSecs);
        clients.back()->start();
    }
    QElapsedTimer clock;
    clock.start();
    QVector<qint64> endedMs(rows.size(), -1);
    (void)QTest::qWaitFor([&] { // the judgement below names the rows that did not end
        for (int i = 0; i < rows.size(); ++i)
            endedMs[i] = endedMs[i] < 0 && clients[i]->status() != 2 ? clock.elapsed() : endedMs[i];
        return !endedMs.contains(-1);
    }, int(deadlineMs) + 15000);

    QMap<int, int> outcomes;
    QStringList wrong;
    for (int i = 0; i < rows.size(); ++i) {
        const int status = clients[i]->status();
        const bool updated = sim.waitForEvent("updateResult", {{"display", rows[i].second.value("address")}, {"result", "success"}}, 0);
        ++outcomes[status];
        // Timers may fire late on a busy machine (a sanitizer build, other jobs): some slack.
        if (endedMs[i] < 0 || endedMs[i] > deadlineMs + 5000 || (status == 3) != updated || (lasting.contains(i) && status == 3))
            wrong << QStringLiteral("%1: status %2 after %3 ms, display updated: %4").arg(rows[i].first).arg(status).arg(endedMs[i]).arg(updated);
    }
    qInfo().noquote() << "fault matrix:" << rows.size() << "rows; sessions by final status:" << outcomes;
    for (const QString &row : qAsConst(wrong))
        qWarning().noquote() << row;
    QVERIFY2(wrong.isEmpty(), "the rows above ended wrongly");
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

// The replies a display's web server may give to a direct request, well or
// badly formed: a clear outcome each time (-1: transport error).
void tst_HttpClient::directReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("upload"); // bytes of firmware sent
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("until closed") << QByteArray("HTTP/1.0 200 OK\r\n\r\nFile written successfully") << 0 << 200
                                  << QByteArray("File written successfully");
    QTest::newRow("upload of 3 MB") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nOK\r\n") << 3000000 << 200
                                    << QByteArray("OK\r\n");
    QTest::newRow("not HTTP") << QByteArray("<html>garbage</html>\r\n\r\n") << 0 << -1 << QByteArray();
    QTest::newRow("closed in the body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nOK") << 0 << -1 << QByteArray();
    QTest::newRow("refused") << QByteArray() << 0 << -1 << QByteArray();
}

void tst_HttpClient::directReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, upload);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    WebServer server(reply);
    QVERIFY(server.server.listen(QHostAddress::LocalHost));
    const quint16 port = server.server.serverPort();
    if (reply.isEmpty())
        server.server.close(); // its port now refuses connections
    LanUpdate::Request request = upload > 0
        ? LanUpdate::fileUpload(LanUpdate::Dialect::Cgi, QStringLiteral("127.0.0.1"), "000000000", firmware(0, upload), upload)
        : LanUpdate::uploadStateQuery(LanUpdate::Dialect::Cgi, QStringLiteral("127.0.0.1"), "000000000");
    request.url.setPort(port);
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

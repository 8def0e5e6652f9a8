// The display simulator as a program: a display on loopback answers a search,
// a control command and a page request, and the program stops cleanly; each
// update dialect carries a firmware file through to the new firmware, and
// each update fault shows where a client meets it.

#include "simulatorprocess.h"

#include "simprotocol/controlframe.h"
#include "simprotocol/searchdatagram.h"
#include "simprotocol/updaterequest.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTime>
#include <QUdpSocket>
#include <QUuid>
#include <QtTest>

namespace {

// An address of its own per process, so that parallel runs do not collide.
QString testAddress(int host)
{
    return QStringLiteral("127.77.%1.%2").arg(QCoreApplication::applicationPid() % 250 + 1).arg(host);
}

QByteArray controlExchange(const QString &address, char type, const QByteArray &message)
{
    QTcpSocket s;
    s.connectToHost(address, ControlFrame::kPort);
    s.write(ControlFrame::encodeRequest(type, message));
    QByteArray data;
    ControlFrame::Frame reply;
    int used = 0;
    QElapsedTimer clock;
    clock.start();
    while (ControlFrame::decode(data, &reply, &used) == ControlFrame::Decode::Incomplete && clock.elapsed() < 5000) {
        s.waitForReadyRead(100);
        data += s.readAll();
    }
    return reply.message;
}

using Headers = QList<QPair<QByteArray, QByteArray>>;

// A client of the update interface written from the order of its requests:
// each request on its own connection, headers in the listed order.
struct UpdateClient
{
    QString address;
    QByteArray contentTypeName = "Content-type"; // a wrong client writes it otherwise

    struct Reply
    {
        QByteArray status; // "200", "NG" ... or "no answer", "connection closed"
        QByteArray body;
    };

    static QByteArray stamp() { return QTime::currentTime().toString(QStringLiteral("hhmmsszzz")).toLatin1(); }
    static QByteArray token() { return "&_=" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1(); }

    Reply send(const QByteArray &method, const QByteArray &target, const Headers &headers, const QByteArray &body = {}) const
    {
        QTcpSocket s;
        s.connectToHost(address, 80);
        QByteArray head = method + ' ' + target + " HTTP/1.1\r\n";
        bool length = false;
        for (const auto &h : headers) {
            head += h.first + ": " + h.second + "\r\n";
            length = length || h.first == "Content-Length";
        }
        if (method == "POST" && !length) // as the HTTP library adds it
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        s.write(head + "User-Agent: Mozilla/5.0\r\n\r\n" + body);
        QByteArray data;
        QElapsedTimer clock;
        clock.start();
        while (s.state() != QAbstractSocket::UnconnectedState && clock.elapsed() < 3000) {
            s.waitForBytesWritten(50);
            s.waitForReadyRead(50);
            data += s.readAll();
        }
        if (data.isEmpty())
            return {s.state() == QAbstractSocket::UnconnectedState ? "connection closed" : "no answer", {}};
        const int split = data.indexOf("\r\n\r\n");
        return {data.mid(9, 3), data.mid(split + 4)};
    }
    Headers command(qint64 length) const
    {
        return {{"X-Requested-With", "XMLHttpRequest"}, {"Accept", "text/plain, */*"}, {"Accept-Language", "ja"},
                {contentTypeName, "text/plain;charset=UTF-8"}, {"Accept-Encoding", "gzip, deflate"},
                {"Host", address.toLatin1()}, {"Content-Length", QByteArray::number(length)},
                {"Connection", "Keep-Alive"}, {"Cache-Control", "no-cache"}};
    }
    Headers timedGet() const { Headers h = command(0); h.removeAt(6); return h; }
    Headers json() const
    {
        return {{"X-Requested-With", "XMLHttpRequest"}, {"Accept", "application/json, text/javascript, */*"},
                {"Accept-Language", "ja"}, {"Accept-Encoding", "gzip, deflate"}, {"Host", address.toLatin1()},
                {"Connection", "Keep-Alive"}};
    }
    Reply post(const QByteArray &target, const QByteArray &body = {}) const { return send("POST", target, command(body.size()), body); }
    Reply upload(const QByteArray &target, const QByteArray &name, const QByteArray &file, bool withEmail) const
    {
        const QByteArray body = (withEmail ? QByteArray("--AaB03x\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\nfw@example.com\r\n") : QByteArray())
            + "--AaB03x\r\nContent-Disposition: form-data; name=\"updatefile\"; filename=\"" + name
            + "\"\r\nContent-Transfer-Encoding: binary\r\n\r\n" + file + "\r\n--AaB03x--\r\n";
        const QByteArray type = withEmail ? "multipart/form-data, boundary=AaB03x" : "multipart/form-data; boundary=AaB03x";
        return send("POST", target, {{"Host", "updater.local"}, {"Content-type", type}, {"Cache-Control", "no-cache"},
                                     {"Accept", "*/*"}, {"Content-Length", QByteArray::number(body.size())}}, body);
    }
};

QString outcome(const char *step, const UpdateClient::Reply &r)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLatin1(r.body.isEmpty() || r.status != "200" ? r.status : r.body.trimmed()));
}

// The result codes of a document, in order.
QList<int> codes(const QByteArray &document)
{
    QList<int> out;
    const QList<QByteArray> parts = document.split(':');
    for (int i = 1; i < parts.size(); ++i) {
        if (parts.at(i - 1).endsWith("\"result_code\""))
            out << parts.at(i).left(parts.at(i).indexOf('}')).replace(',', "").trimmed().toInt();
    }
    return out;
}

// The first slot (1-based) whose result code is `code`; 0 none.
int slotWith(const QByteArray &document, int code)
{
    return int(codes(document).indexOf(code)) + 1;
}

// Runs one dialect's update to the end or to the first reply a correct
// display would not give; the outcome names that step and reply.
QString runUpdate(const QString &dialect, const UpdateClient &c, SimulatorProcess &sim, const QByteArray &file)
{
    const auto checked = [&]() { return sim.waitForEvent(QStringLiteral("updatePhase"), {{"phase", "checked"}}, 5000); };
    const auto finished = [&]() {
        return QTest::qWaitFor([&]() {
            const QString phase = sim.events(QStringLiteral("updatePhase")).constLast().value(QStringLiteral("phase")).toString();
            return phase == QLatin1String("done") || phase == QLatin1String("failed");
        }, 5000);
    };
    const QByteArray cgi = "/cgi-bin/cgictrl?";
    UpdateClient::Reply r;
    if (dialect == QLatin1String("legacy")) {
        for (const QByteArray name : {"fw6.bin", "fw5.bin"}) {
            if (!(r = c.upload(cgi + "U=77777", name, file, true)).body.contains("File written successfully"))
                return outcome("upload", r);
        }
        return QStringLiteral("done");
    }
    if (dialect == QLatin1String("keyed")) {
        const int token = controlExchange(c.address, 'E', "13070001").right(4).toInt(nullptr, 16);
        const QByteArray key = QCryptographicHash::hash(QByteArray("QbNeRoTa" + QByteArray::number(token, 16) + '\n'), QCryptographicHash::Md5).toHex();
        const QByteArray body = "--b1\r\nContent-Disposition: form-data; name=\"file\"; filename=\"/tmp/fw/tm.bin\"\r\n\r\n" + file + "\r\n--b1--\r\n";
        if ((r = c.send("POST", "/upload", {{"Host", c.address.toLatin1()}, {"X-Api-Key", key}, {"Content-Type", "multipart/form-data; boundary=\"b1\""},
                                            {"MIME-Version", "1.0"}, {"Content-Length", QByteArray::number(body.size())}}, body)).status != "200")
            return outcome("upload", r);
        controlExchange(c.address, 'E', "13030001");
        int progress = controlExchange(c.address, 'C', "1306").right(4).toInt(nullptr, 16);
        if (progress == 200)
            return QStringLiteral("progress: never started");
        (void)QTest::qWaitFor([&]() { return (progress = controlExchange(c.address, 'C', "1306").right(4).toInt(nullptr, 16)) >= 100; }, 5000);
        return progress == 100 ? QStringLiteral("done") : QStringLiteral("progress: %1").arg(progress);
    }
    if (dialect == QLatin1String("chunked")) {
        const Headers form{{"Content-Type", "application/x-www-form-urlencoded"}};
        if ((r = c.send("GET", "/pjctrl?J=0" + c.token(), {})).status != "200")
            return outcome("standby", r);
        c.send("POST", "/pjctrl?CIM=0" + c.token(), form);
        c.send("POST", "/pjctrl?CM=00" + c.token(), form, "filesize=" + QByteArray::number(file.size()));
        for (int at = 0; at < file.size(); at += 512000) {
            if ((r = c.send("POST", "/pjctrl?CM=00" + c.token(), form, file.mid(at, 512000))).status != "200")
                return outcome("upload", r);
        }
        if (!checked() || !(r = c.send("GET", "/pjctrl?CRM=0" + c.token(), {})).body.contains("\"paccheck_result\": \"100\""))
            return outcome("fileCheck", r);
        c.send("POST", "/pjctrl?UM=00T=9" + c.token(), form);
        if (!(r = c.send("GET", "/pjctrl?URM=0" + c.token(), {})).body.contains("\"Firmware\": 1,") || !finished())
            return outcome("updateResult", r);
        r = c.send("GET", "/pjctrl?URM=0" + c.token(), {});
        return r.body.contains("\"result_code\": 204") ? QStringLiteral("done") : outcome("updateResult", r);
    }
    // CGI and timed.
    const bool timed = dialect == QLatin1String("timed");
    const QByteArray path = timed ? "/pjctrl?" : cgi;
    const auto state = [&]() { return timed ? c.send("GET", path + "CIM=" + c.stamp(), c.timedGet())
                                            : c.send("GET", "/update/FileCheckResult.json?_=" + c.stamp(), c.json()); };
    if ((r = c.post(path + (timed ? "J=" : "MM=00t=") + c.stamp(), "undefined\r\n")).body != "OK\r\n")
        return outcome("standby", r);
    int zeros = 0;
    for (; zeros < 5; ++zeros) {
        if (!timed && (r = c.post(cgi + "TCM=00t=" + c.stamp(), "undefined\r\n")).body != "OK\r\n")
            return outcome("fileDelete", r);
        if ((r = state()).body != "{\"upload\":0}")
            break;
    }
    if (r.body != "{\"upload\":1}")
        return outcome("uploadState", r);
    if ((r = c.upload(path + "CM=00t=" + c.stamp(), "fw.pkg", file, !timed)).body != "OK\r\n")
        return outcome("upload", r);
    if (!checked() || !(r = timed ? c.send("GET", path + "CRM=" + c.stamp(), c.timedGet()) : state()).body.contains("\"paccheck_result\":100"))
        return outcome("fileCheck", r);
    if (slotWith(r.body, 201))
        return QStringLiteral("fileCheck: component %1 failed").arg(slotWith(r.body, 201));
    if (!timed && (r = c.post(cgi + "TUM=00t=" + c.stamp())).body != "OK\r\n")
        return outcome("modeChange", r);
    if ((r = c.post(path + "UM=00T=1,2t=" + c.stamp())).body != "OK\r\n")
        return outcome("updateCommand", r);
    const auto result = [&]() { return timed ? c.send("GET", path + "URM=" + c.stamp(), c.timedGet())
                                             : c.send("GET", "/update/UpdateResult.json?=_" + c.stamp(), c.json()); };
    if (codes((r = result()).body).value(0, 100) >= 100 || !finished()) // component 1 under way
        return outcome("updateResult", r);
    r = result();
    if (slotWith(r.body, 500))
        return QStringLiteral("updateResult: component %1 failed").arg(slotWith(r.body, 500));
    const QString zeroNote = zeros ? QStringLiteral(" after %1 x upload 0").arg(zeros) : QString();
    return r.body.count("204") == 6 ? QStringLiteral("done") + zeroNote : outcome("updateResult", r);
}

} // namespace

class tst_DisplaySim : public QObject
{
    Q_OBJECT

private slots:
    void answersSearchControlAndWeb();
    void update_data();
    void update();
};

void tst_DisplaySim::answersSearchControlAndWeb()
{
    const QString address = testAddress(2);
    SimulatorProcess sim;
    QVERIFY2(sim.start(QJsonArray{QJsonObject{{"address", address}, {"modelName", "K5-552"}}}), qPrintable(sim.errorString()));

    QUdpSocket search;
    QVERIFY(search.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    search.writeDatagram(SearchDatagram::encodeRequest({0xA55A, 0x70, 0, 3, 0, 0x100}), QHostAddress(address), SearchDatagram::kPort);
    QTRY_VERIFY_WITH_TIMEOUT(search.hasPendingDatagrams(), 5000);
    const QNetworkDatagram reply = search.receiveDatagram();
    QCOMPARE(reply.data().size(), 256);
    QCOMPARE(reply.data().left(10).toHex(' '), QByteArray("4b 52 57 44 00 00 00 00 5a a5"));

    QTcpSocket control;
    control.connectToHost(address, ControlFrame::kPort);
    control.write(ControlFrame::encodeRequest('A', "C217"));
    const QByteArray modelName = ControlFrame::encodeReply('A', 'B', "C3174B352D353532");
    QTRY_VERIFY_WITH_TIMEOUT(control.bytesAvailable() >= modelName.size(), 5000);
    QCOMPARE(control.readAll(), modelName);

    QTcpSocket web;
    web.connectToHost(address, 80);
    web.write("GET /index.html HTTP/1.1\r\nHost: display\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(web.state(), QAbstractSocket::UnconnectedState, 5000); // the answer closes
    QVERIFY(web.readAll().startsWith("HTTP/1.1 200"));

    sim.stop();
    QCOMPARE(sim.events().last().value(QStringLiteral("event")).toString(), QStringLiteral("stopped"));
}

void tst_DisplaySim::update_data()
{
    // A display of the row's series with the row's faults; the client runs
    // the dialect's requests in order. Rows that end "done" also check the
    // file the display received and the firmware it reports afterwards.
    QTest::addColumn<int>("series");
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QString>("expected");
    using O = QJsonObject;
    QTest::newRow("legacy") << 1 << O{} << "done";
    QTest::newRow("cgi") << 3 << O{} << "done";
    QTest::newRow("chunked, two chunks") << 9 << O{} << "done";
    QTest::newRow("timed") << 10 << O{} << "done";
    QTest::newRow("keyed") << 11 << O{} << "done";
    QTest::newRow("no dialect") << 7 << O{} << "standby: 404";
    QTest::newRow("wrong client: Content-Type") << 3 << O{{"wrongClient", true}} << "standby: NG";
    QTest::newRow("rejected step") << 3 << O{{"reject", O{{"step", "modeChange"}}}} << "modeChange: NG";
    QTest::newRow("upload state 0 twice") << 3 << O{{"uploadStateZero", 2}} << "done after 2 x upload 0";
    QTest::newRow("file check fails") << 10 << O{{"fileCheckFails", 2}} << "fileCheck: component 2 failed";
    QTest::newRow("update fails") << 3 << O{{"updateFails", 1}} << "updateResult: component 1 failed";
    QTest::newRow("dropped once") << 9 << O{{"drop", O{{"step", "fileCheck"}, {"times", 1}}}} << "fileCheck: connection closed";
    QTest::newRow("never answered") << 10 << O{{"noAnswer", O{{"step", "updateResult"}}}} << "updateResult: no answer";
    QTest::newRow("image file writing") << 2 << O{{"imageWriting", true}} << "upload: <html><body><p>Image file writing.</p></body></html>";
    QTest::newRow("wrong key expected") << 11 << O{{"expectToken", 7}} << "upload: 403";
    QTest::newRow("wrong token handed out") << 11 << O{{"handOutToken", 7}} << "upload: 403";
    QTest::newRow("progress never starts") << 11 << O{{"progress", "neverStarts"}} << "progress: never started";
    QTest::newRow("progress fails") << 11 << O{{"progress", "fails"}} << "progress: 208";
    QTest::newRow("slow link") << 3 << O{{"uploadBytesPerSecond", 400000}} << "done";
}

void tst_DisplaySim::update()
{
    QFETCH(int, series);
    QFETCH(QJsonObject, faults);
    QFETCH(QString, expected);
    UpdateClient client{testAddress(3)};
    if (faults.take(QStringLiteral("wrongClient")).toBool())
        client.contentTypeName = "Content-Type";
    SimulatorProcess sim;
    QVERIFY2(sim.start(QJsonArray{QJsonObject{
        {"address", client.address}, {"seriesCode", series}, {"currentFirmware", "R1.100"}, {"fwVersions", QJsonArray{"R1.100", "R1.100"}},
        {"firmwareAfterUpdate", "R2.000"}, {"updateTimeScale", 0.01}, {"faults", QJsonObject{{"update", faults}}}}}),
        qPrintable(sim.errorString()));
    QByteArray file(series == 9 ? 700000 : 400000, '\0');
    for (int i = 0; i < file.size(); ++i)
        file[i] = char(i * 7 + i / 251);

    QCOMPARE(runUpdate(UpdateRequest::dialectName(UpdateRequest::dialectForSeries(series)), client, sim, file), expected);
    if (expected.startsWith(QLatin1String("done"))) {
        QVERIFY(sim.waitForEvent(QStringLiteral("uploadComplete"), {{"size", file.size()}}));
        const QJsonObject received = sim.events(QStringLiteral("uploadComplete")).last();
        QCOMPARE(received.value(QStringLiteral("md5")).toString(), QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Md5).toHex()));
        QCOMPARE(received.value(QStringLiteral("size")).toInt(), file.size());
        QCOMPARE(controlExchange(client.address, 'A', "CA0200"), QByteArray("CB020000R2.000"));
        if (faults.contains(QStringLiteral("uploadBytesPerSecond")))
            QVERIFY2(received.value(QStringLiteral("seconds")).toDouble() >= 0.9, qPrintable(QJsonDocument(received).toJson()));
    } else if (expected.endsWith(QLatin1String("NG")) || expected.endsWith(QLatin1String("403"))) {
        QVERIFY(sim.waitForEvent(QStringLiteral("updateRequest"), {{"verdict", "rejected"}}));
    }
}

QTEST_GUILESS_MAIN(tst_DisplaySim)
#include "tst_displaysim.moc"

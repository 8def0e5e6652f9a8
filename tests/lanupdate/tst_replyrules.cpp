#include "discovery/httpreplyreader.h"
#include "lanupdate/replyrules.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace LanUpdate;

// The reply rules of the update dialects on the edge cases a display's web
// server produces, and bad bodies that must give a clear result; the reading
// of HTTP replies from well-formed, hostile and mangled bytes.
class tst_ReplyRules : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void slotRules_data();
    void slotRules();
    void replyReader_data();
    void replyReader();
    void replyReaderMutations();
};

namespace {

enum Rule { Ok, UploadState0, UploadState1, UploadStateNone, Legacy, Keyed };

const QByteArray kCheck100 = R"({"upload":2,"paccheck_result":100,"fwcheck_result":[{"result_code":100},{"result_code":45}]})";

SlotFlags pendingSlots(const QList<int> &slotList)
{
    SlotFlags pending{};
    for (const int slot : slotList)
        pending[slot] = true;
    return pending;
}

QString slotText(const SlotState &state)
{
    QStringList parts;
    for (int slot = 0; slot < kSlotCount; ++slot)
        parts << QStringLiteral("%1/%2/%3").arg(state.pending[slot]).arg(state.progress[slot]).arg(state.status[slot]);
    return parts.join(QLatin1Char(' '));
}

}

void tst_ReplyRules::rules_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("result");

    QTest::newRow("OK CR LF") << int(Ok) << QByteArray("OK\r\n") << 0;
    QTest::newRow("ok") << int(Ok) << QByteArray("ok") << -1;
    QTest::newRow("space OK") << int(Ok) << QByteArray(" OK") << -1;
    QTest::newRow("OK.") << int(Ok) << QByteArray("OK.") << -1;
    QTest::newRow("empty") << int(Ok) << QByteArray() << -1;

    QTest::newRow("upload 0") << int(UploadStateNone) << QByteArray(R"({"upload":0})") << 0;
    QTest::newRow("upload 1, none") << int(UploadStateNone) << QByteArray(R"({"upload":1})") << 1;
    QTest::newRow("upload 1, slot 0") << int(UploadState0) << QByteArray(R"({"upload":1})") << 0;
    QTest::newRow("upload 3") << int(UploadStateNone) << QByteArray(R"({"upload":3})") << -1;
    QTest::newRow("no colon") << int(UploadStateNone) << QByteArray(R"({"upload" 1})") << -1;
    QTest::newRow("not a number") << int(UploadStateNone) << QByteArray(R"({"upload":1x})") << -1;
    QTest::newRow("garbage") << int(UploadStateNone) << QByteArray("\xff\x00{\"upload\":", 12) << -1;
    QTest::newRow("check 99") << int(UploadState0) << QByteArray(R"({"upload":2,"paccheck_result":99})") << 0;
    QTest::newRow("check 101") << int(UploadState0) << QByteArray(R"({"upload":2,"paccheck_result":101})") << -1;
    QTest::newRow("100 then 45, slot 0") << int(UploadState0) << kCheck100 << 1;
    QTest::newRow("100 then 45, slot 1") << int(UploadState1) << kCheck100 << 0;
    QTest::newRow("100 then 45, none") << int(UploadStateNone) << kCheck100 << 0;
    QTest::newRow("code quoted 100") << int(UploadState0)
                                     << QByteArray(R"({"upload":2,"paccheck_result":"100","result_code":"100"})") << 1;
    QTest::newRow("code 201") << int(UploadState1) << QByteArray(R"({"upload":2,"paccheck_result":100,"result_code":100,"result_code":201})") << -1;
    QTest::newRow("code bad") << int(UploadStateNone) << QByteArray(R"({"upload":2,"paccheck_result":100,"result_code":x})") << -1;

    QTest::newRow("written") << int(Legacy) << QByteArray("<p>File written successfully</p>") << 0;
    QTest::newRow("writing") << int(Legacy) << QByteArray("Image file writing.") << 3;
    QTest::newRow("both markers") << int(Legacy) << QByteArray("Image file writing. File written successfully") << 0;

    QTest::newRow("key 200") << int(Keyed) << QByteArray("200") << 0;
    QTest::newRow("key 403") << int(Keyed) << QByteArray("403") << -1;
}

void tst_ReplyRules::rules()
{
    QFETCH(int, rule);
    QFETCH(QByteArray, body);
    QFETCH(int, result);
    switch (Rule(rule)) {
    case Ok:
        QCOMPARE(okCheck(body), result);
        break;
    case UploadState0:
    case UploadState1:
    case UploadStateNone:
        QCOMPARE(uploadState(body, rule == UploadStateNone ? -1 : rule - UploadState0), result);
        break;
    case Legacy:
        QCOMPARE(legacyUploadReply(body), result);
        break;
    case Keyed:
        QCOMPARE(keyedUploadReply(body.toInt()), result);
        break;
    }
}

// Rules that walk the pending slots: each row gives the slots before and the
// result, the slot reached and every slot's pending/progress/status after.
void tst_ReplyRules::slotRules_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<int>>("pending");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("slotAfter");
    QTest::addColumn<QString>("after");

    const QString untouched02 = QStringLiteral("1/-1/0 0/-1/0 1/-1/0 0/-1/0 0/-1/0 0/-1/0");
    QTest::newRow("check both") << "check" << QByteArray(R"({"upload":2,"paccheck_result":100,"result_code":100,"result_code":30,"result_code":100})")
                                << QList<int>{0, 2} << 0 << 1 << 2 << untouched02;
    QTest::newRow("check slot 1 waits") << "check" << kCheck100 << QList<int>{0, 1} << 0 << 0 << 1
                                        << "1/-1/0 1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";

    QTest::newRow("result running") << "result" << QByteArray(R"({"update_result":[{"result_code":37},{"result_code":0}]})")
                                    << QList<int>{0, 1} << 0 << 0 << 0 << "1/37/0 1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("result 204 then 202") << "result" << QByteArray(R"([{"result_code":204},{"result_code":202}])")
                                         << QList<int>{0, 1} << 0 << 0 << 1 << "0/100/3 1/0/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("result all done") << "result" << QByteArray(R"([{"result_code":204},{"result_code":"204"}])")
                                     << QList<int>{0, 1} << 0 << 1 << 1 << "0/100/3 0/100/3 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("result failed and too few") << "result" << QByteArray(R"([{"result_code":500},{"result_code":204}])")
                                               << QList<int>{0, 1, 2} << 0 << 1 << 2
                                               << "0/-1/-4 0/100/3 0/-1/-4 0/-1/0 0/-1/0 0/-1/0";

    const QByteArray lenientCheck = "{\n  // file check\n  \"paccheck_result\": \"100\",\n  \"fwcheck_result\": [\n"
                                    "    {\"result_code\": 100,},\n    {\"result_code\": 100},\n  ],\n}";
    QTest::newRow("chunked check, comments and commas") << "chunkedCheck" << lenientCheck << QList<int>{0, 1} << 0 << 1
                                                         << 0 << "1/-1/0 1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked check number") << "chunkedCheck" << QByteArray(R"({"paccheck_result":100,"fwcheck_result":[{"result_code":100}]})")
                                          << QList<int>{0} << 0 << 0 << 0 << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked check failed") << "chunkedCheck" << QByteArray(R"({"paccheck_result":"100","fwcheck_result":[{"result_code":100},{"result_code":201}]})")
                                          << QList<int>{0, 1} << 0 << -1 << 1 << "1/-1/0 1/-1/-2 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked check 101") << "chunkedCheck" << QByteArray(R"({"paccheck_result":"101"})")
                                       << QList<int>{0} << 0 << 0 << 0 << "1/-1/-2 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked unparsable") << "chunkedCheck" << QByteArray("<html>") << QList<int>{0} << 0 << 0 << 0
                                        << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";

    const QByteArray lenientResult = "{\n  \"update_sts\": [\n    {\"result_code\": 40, \"Firmware\": 2,},\n  ],\n  // done\n}";
    QTest::newRow("chunked result running") << "chunkedResult" << lenientResult << QList<int>{0, 1} << 0 << 0 << 1
                                            << "1/-1/0 1/40/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result 202") << "chunkedResult" << QByteArray(R"({"update_sts":[{"result_code":202,"Firmware":1}]})")
                                        << QList<int>{0} << 0 << 0 << 0 << "1/100/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result 204") << "chunkedResult" << QByteArray(R"({"update_sts":[{"result_code":204,"Firmware":1}]})")
                                        << QList<int>{0} << 0 << 1 << 0 << "1/100/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result failed") << "chunkedResult" << QByteArray(R"({"update_sts":[{"result_code":500,"Firmware":3}]})")
                                           << QList<int>{0} << 0 << -1 << 2 << "1/-1/0 0/-1/0 0/-1/-1 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result empty") << "chunkedResult" << QByteArray(R"({"update_sts":[]})") << QList<int>{0} << 0
                                          << 1 << 0 << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result, error page") << "chunkedResult" << QByteArray("<html><h1>500</h1></html>") << QList<int>{0}
                                                << 0 << -1 << 0 << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result, no Firmware") << "chunkedResult" << QByteArray(R"({"update_sts":[{"result_code":5}]})")
                                                 << QList<int>{0} << 0 << -1 << 0 << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
    QTest::newRow("chunked result firmware 5") << "chunkedResult" << QByteArray(R"({"update_sts":[{"result_code":5,"Firmware":5}]})")
                                               << QList<int>{0} << 0 << 1 << 0 << "1/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0 0/-1/0";
}

void tst_ReplyRules::slotRules()
{
    QFETCH(QString, rule);
    QFETCH(QByteArray, body);
    QFETCH(QList<int>, pending);
    QFETCH(int, slot);
    QFETCH(int, result);
    QFETCH(int, slotAfter);
    QFETCH(QString, after);

    SlotState state;
    state.pending = pendingSlots(pending);
    int at = slot;
    int got = 0;
    if (rule == QLatin1String("check"))
        got = fileCheckAllPending(body, state.pending, &at);
    else if (rule == QLatin1String("result"))
        got = updateResult(body, &state, &at);
    else if (rule == QLatin1String("chunkedCheck"))
        got = chunkedFileCheck(lenientJson(body), &state, &at);
    else
        got = chunkedUpdateResult(lenientJson(body), &state, &at);
    QCOMPARE(got, result);
    QCOMPARE(at, slotAfter);
    QCOMPARE(slotText(state), after);
    if (rule == QLatin1String("result") && result == 1)
        QCOMPARE(finalStatus(state.status), after.contains(QLatin1String("/-4")) ? 4 : 3);
}

using ReaderState = HttpReplyReader::State;

// Feeds `reply` cut at the ascending positions `cuts`, then closes when asked.
HttpReplyReader readPieces(const QByteArray &reply, const QList<int> &cuts, bool closed)
{
    HttpReplyReader reader;
    int from = 0;
    for (const int cut : cuts + QList<int>{int(reply.size())}) {
        reader.feed(reply.mid(from, cut - from));
        from = cut;
    }
    if (closed)
        reader.close();
    return reader;
}

void tst_ReplyRules::replyReader_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("closed"); // the display closes the connection after it
    QTest::addColumn<int>("state");   // ReaderState
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    const int more = int(ReaderState::NeedMore), complete = int(ReaderState::Complete), bad = int(ReaderState::Malformed);
    const auto row = [](const char *name, const QByteArray &reply, bool closed, int state, int status = 0, const QByteArray &body = {}) {
        QTest::newRow(name) << reply << closed << state << status << body;
    };
    const QByteArray ok = "HTTP/1.1 200 OK\r\n", chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    row("length", ok + "Content-Length: 2\r\n\r\nOKextra", false, complete, 200, "OK");
    row("length, cut short", ok + "Content-Length: 9\r\n\r\nOK", true, bad);
    row("chunked", ok + "transfer-encoding: Chunked\r\n\r\n2\r\nOK\r\n3;x=1\r\n\r\n!\r\n0\r\n\r\n", false, complete, 200, "OK\r\n!");
    row("chunk sizes with zeros, trailer", chunked + "0002\r\nOK\r\n0\r\nX-Sum: 1\r\n\r\n", false, complete, 200, "OK");
    row("until closed", "HTTP/1.0 200 OK\r\n\r\nFile written", true, complete, 200, "File written");
    row("interim, then 403", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n", false, complete, 403);
    row("no length, still open", ok + "\r\nFile", false, more);
    row("nothing at all", "", true, bad);
    row("not HTTP", "<html>garbage</html>\r\n\r\n", false, bad);
    row("header without colon", ok + "Content-Length 2\r\n\r\nOK", false, bad);
    row("chunk size 7fffffff", chunked + "7fffffff\r\nOK\r\n0\r\n\r\n", false, bad);
    row("chunk size of 20 digits", chunked + "ffffffffffffffffffff\r\nOK\r\n", false, bad);
    row("negative chunk size", chunked + "-2\r\nOK\r\n0\r\n\r\n", false, bad);
    row("chunk longer than its size", chunked + "2\r\nOKOK\r\n0\r\n\r\n", false, bad);
    row("overflowing length", ok + "Content-Length: 99999999999999999999\r\n\r\n", false, bad);
    row("length over 1 MB", ok + "Content-Length: 1048577\r\n\r\n", false, bad);
    row("endless head", ok + QByteArray(1100000, 'x'), false, bad);
    row("endless body", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(1100000, 'x'), true, bad);
}

// The same outcome whole, split in two at every byte and byte by byte.
void tst_ReplyRules::replyReader()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, closed);
    QFETCH(int, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QList<QList<int>> cutLists{{}, {}};
    for (int cut = 1; cut < reply.size(); ++cut) {
        cutLists.last() << cut;
        if (reply.size() < 4096)
            cutLists << QList<int>{cut};
    }
    for (const QList<int> &cuts : qAsConst(cutLists)) {
        const HttpReplyReader reader = readPieces(reply, cuts, closed);
        QCOMPARE(int(reader.state()), state);
        QCOMPARE(reader.errorString().isEmpty(), state != int(ReaderState::Malformed));
        if (state == int(ReaderState::Complete)) {
            QCOMPARE(reader.status(), status);
            QCOMPARE(reader.body(), body);
        }
    }
}

// Valid replies, mangled at random (bytes changed, dropped, doubled, huge
// sizes and lengths spliced in) and fed in random pieces: need more,
// complete or malformed, never more body than bytes, never a read out of
// bounds (the sanitizer build runs this).
void tst_ReplyRules::replyReaderMutations()
{
    const QList<QByteArray> valid{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK",
                                  "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nOK\r\n1;a=b\r\n!\r\n0\r\nT: 1\r\n\r\n",
                                  "HTTP/1.0 404 Not Found\r\n\r\n<html>404</html>"};
    const QList<QByteArray> splices{"\r\n", "\r\n\r\n", "ffffffffffffffff", "7fffffff", "-1", "Content-Length: 4294967296\r\n", ";", ":"};
    QRandomGenerator random(20240112);
    for (int i = 0; i < 4000; ++i) {
        QByteArray reply = valid.at(i % valid.size());
        for (int edits = random.bounded(1, 4); edits > 0; --edits) {
            const int at = random.bounded(int(reply.size()) + 1);
            switch (random.bounded(4)) {
            case 0: reply.insert(at, splices.at(random.bounded(int(splices.size())))); break;
            case 1: reply.remove(at, random.bounded(1, 8)); break;
            case 2: reply.insert(at, reply.mid(at, random.bounded(1, 40))); break;
            default: reply[qMin(at, int(reply.size()) - 1)] = char(random.bounded(256)); break;
            }
        }
        QList<int> cuts;
        for (int cut = random.bounded(1, 9); cut < reply.size(); cut += random.bounded(1, 9))
            cuts << cut;
        const bool closed = random.bounded(2) == 1;
        const HttpReplyReader reader = readPieces(reply, cuts, closed);
        // A closed connection ends every reply, complete or malformed.
        QVERIFY(reader.body().size() <= reply.size() && !(closed && reader.state() == ReaderState::NeedMore));
    }
}

QTEST_GUILESS_MAIN(tst_ReplyRules)
#include "tst_replyrules.moc"

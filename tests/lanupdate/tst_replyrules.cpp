#include "lanupdate/replyrules.h"

#include <QtTest>

using namespace LanUpdate;

// The reply rules of the update dialects on the edge cases a display's web
// server produces, and bad bodies that must give a clear result.
class tst_ReplyRules : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void slotRules_data();
    void slotRules();
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

QTEST_GUILESS_MAIN(tst_ReplyRules)
#include "tst_replyrules.moc"

// The update queue's rules over sessions that report what the test says; the journal's file.
#include "displaylist/updatestatus.h"
#include "lanupdate/updatejournal.h"
#include "lanupdate/updatequeue.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace UpdateQueue;

namespace {

// Checked rows with their firmware downloaded: "q600" (queued, 600 s),
// "r600/100" (running for 100 s, kept in the serial number) or "c300" (idle).
DisplayList rows(const QStringList &codes)
{
    DisplayList list;
    for (const QString &code : codes) {
        DISPLAY_LIST_ENTRY e;
        e.selectedForUpdate = true;
        e.downloadStatus = DownloadState::Downloaded;
        e.latestVersion = QStringLiteral("R1.400");
        e.updateDurationSecs = code.mid(1).section('/', 0, 0).toInt();
        e.updateStatus = code[0] == 'q' ? UpdateStatus::Queued : code[0] == 'r' ? UpdateStatus::Running : UpdateStatus::Idle;
        e.serialNumber = code.section('/', 1);
        list.append(e);
    }
    return list;
}
const auto elapsed = [](const DISPLAY_LIST_ENTRY &e) { return qint64(e.serialNumber.toInt()); };

}

class tst_UpdateQueue : public QObject
{
    Q_OBJECT

private slots:
    // Remaining time on the status line; the planned time in the
    // confirmation's duration sentence (whole minutes, halves up).
    void estimates_data()
    {
        QTest::addColumn<QStringList>("specs");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("remaining");
        QTest::addColumn<QString>("sentence"); // empty: left out
        QTest::newRow("lanes 500/200/600/600/0") << QStringList{"r600/100", "r300/100", "q600", "q600"} << 5 << "10:00" << "10 minutes";
        QTest::newRow("ties to the lowest lane") << QStringList{"q300", "q300", "q300"} << 2 << "10:00" << "10 minutes";
        QTest::newRow("overdue row counts zero in its lane") << QStringList{"r100/190", "q300"} << 1 << "05:00" << "7 minutes";
        QTest::newRow("running beyond the lanes left out") << QStringList{"r600/0", "r900/0"} << 1 << "10:00" << "25 minutes";
        QTest::newRow("planned over candidates") << QStringList{"c300", "c300", "c300", "c0"} << 2 << "00:00" << "10 minutes";
        QTest::newRow("limit below one is one lane") << QStringList{"c300", "c200"} << 0 << "00:00" << "8 minutes";
        QTest::newRow("90 s") << QStringList{"c90"} << 1 << "00:00" << "2 minutes";
        QTest::newRow("89 s") << QStringList{"c89"} << 1 << "00:00" << "1 minutes";
        QTest::newRow("0 s") << QStringList{"c0"} << 1 << "00:00" << "";
    }
    void estimates()
    {
        QFETCH(QStringList, specs);
        QFETCH(int, limit);
        QFETCH(QString, remaining);
        QFETCH(QString, sentence);
        const DisplayList list = rows(specs);
        QVERIFY(statusLine(1, 0, remainingSecondsEstimate(list, limit, elapsed)).endsWith(": " + remaining));
        const QString below = confirmationTexts(list, false, plannedSecondsEstimate(list, limit)).below;
        QCOMPARE(below.contains("take at least " + sentence), !sentence.isEmpty());
    }

    // Limit 1, three candidates: one starts per finished session, the status line counts
    // the rows started in this pass as queued, and cancelling leaves the running row alone.
    void limitOneThreeCandidates()
    {
        DisplayList list = rows({"q300", "q300", "q300"});
        QList<int> started, released;
        QHash<int, int> status;
        SessionAccess access;
        access.start = [&](int row) { started.append(row); status[row] = UpdateStatus::Running; };
        access.read = [&](int row) { SessionSnapshot s; s.status = s.componentStatus[0] = status.value(row); return s; };
        access.release = [&](int row) { released.append(row); };
        int running = 0;
        PassResult pass = servicePass(list, running, 1, access);
        QCOMPARE(started, QList<int>{0});
        QCOMPARE(statusLine(running, pass.queued, remainingSecondsEstimate(list, 1, elapsed)),
                 QStringLiteral("Updating firmware on 1 display(s) via LAN. 3 display(s) are queued. Total estimated time remaining: 15:00"));
        QCOMPARE(servicePass(list, running, 1, access).queued, 2);
        QCOMPARE(started, QList<int>{0});

        status[0] = UpdateStatus::Complete;
        pass = servicePass(list, running, 1, access);
        QVERIFY(pass.completed);
        QCOMPARE(started, (QList<int>{0, 1}));
        QCOMPARE(pass.changed, (QList<int>{0, 1})); // the row left queued is not repainted
        QCOMPARE(list.at(0).currentFirmware, QStringLiteral("R1.400"));
        QCOMPARE(list.at(0).matchStatus, int(MatchStatus::UpToDate));
        QVERIFY(!list.at(0).selectedForUpdate);

        QCOMPARE(cancelQueued(list, [&](int row) { released.append(row); }), QList<int>{2});
        QCOMPARE(released, (QList<int>{0, 2}));
        QCOMPARE(list.at(1).updateStatus, int(UpdateStatus::Running));
        QCOMPARE(list.at(2).updateStatus, int(UpdateStatus::Idle));
    }

    void settleRule_data()
    {
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("sessionStatus");
        QTest::addColumn<QList<int>>("components");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("lastStatus");
        QTest::newRow("series 3: failed component while another runs") << 3 << 2 << QList<int>{-4, 2} << false << -4;
        QTest::newRow("series 3: session ends failed") << 3 << 4 << QList<int>{-4, 3} << true << 4;
        QTest::newRow("legacy retry keeps going") << 1 << 2 << QList<int>{3, -5} << false << -5;
        QTest::newRow("legacy retries exhausted") << 1 << -4 << QList<int>{3, -4} << true << -4;
        QTest::newRow("timeout") << 10 << -3 << QList<int>{-1} << true << -3;
        QTest::newRow("final status, nothing settled") << 3 << 3 << QList<int>{0} << true << 3;
    }
    void settleRule()
    {
        QFETCH(int, series);
        QFETCH(int, sessionStatus);
        QFETCH(QList<int>, components);
        DISPLAY_LIST_ENTRY e = rows({"r60"}).at(0);
        e.seriesId = series;
        SessionSnapshot s;
        s.status = sessionStatus;
        std::copy(components.cbegin(), components.cend(), s.componentStatus.begin());
        QTEST(applySnapshot(e, 0, s), "finished");
        QTEST(e.updateStatus == UpdateStatus::Idle, "finished");
        QTEST(e.lastUpdateStatus, "lastStatus");
    }

    // A package file by the name in its address; unpacked files in order
    // while the six session slots hold them, else none.
    void fileLists()
    {
        FirmwareRelease release;
        release.downloadLoc = QStringLiteral("http://127.0.0.1:8070/firmwareupdates/packages/tm_981_210.bin?x=1");
        QCOMPARE(firmwareFiles(release, QStringLiteral("/cache")).paths, QStringList{"/cache/tm_981_210.bin"});
        for (const char *name : {"F1", "F2", "F3", "F4", "F5", "F6", "F7"})
            release.unpackedFileInfo.append({QLatin1String(name), 0, QString()});
        QVERIFY(firmwareFiles(release, QStringLiteral("/cache")).tooMany && firmwareFiles(release, QStringLiteral("/cache")).paths.isEmpty());
        release.unpackedFileInfo.removeLast();
        QCOMPARE(firmwareFiles(release, QStringLiteral("/cache")).paths, (QStringList{"/cache/F1", "/cache/F2", "/cache/F3", "/cache/F4", "/cache/F5", "/cache/F6"}));
    }

    // What the window's test does not reach: the upload step and a damaged
    // journal.
    void journal()
    {
        QTemporaryDir dir;
        const UpdateJournal journal(dir.filePath(QStringLiteral("journal.json")));
        DISPLAY_LIST_ENTRY e = rows({"r60"}).at(0);
        e.uploading = true;
        QVERIFY(journal.write({UpdateJournal::entryFor(4, e, QDateTime::currentDateTimeUtc())}));
        QVERIFY(UpdateJournal::reportText(journal.read()).contains(QLatin1String(": uploading the firmware")));
        QVERIFY(writeFile(journal.path(), "{\"sess"));
        QVERIFY(UpdateJournal::reportText(journal.read()).contains(QLatin1String("cannot be read")));
    }
};

QTEST_GUILESS_MAIN(tst_UpdateQueue)
#include "tst_updatequeue.moc"

// The update queue's rules over sessions that report what the test says; the journal's file;
// the check of updated displays against simulated ones on a loopback block of this process.
#include "app/timing.h"
#include "displaylist/updatestatus.h"
#include "lanupdate/updatejournal.h"
#include "lanupdate/updatequeue.h"
#include "lanupdate/updaterun.h"
#include "lanupdate/updateverifier.h"
#include "simulatorprocess.h"
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
        e.currentFirmware = QStringLiteral("R1.200");
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
        QTest::addColumn<int>("deadline");     // of the first row's session
        QTest::newRow("lanes 500/200/600/600/0") << QStringList{"r600/100", "r300/100", "q600", "q600"} << 5 << "10:00" << "10 minutes" << 1800;
        QTest::newRow("ties to the lowest lane") << QStringList{"q300", "q300", "q300"} << 2 << "10:00" << "10 minutes" << 900;
        QTest::newRow("overdue row counts zero in its lane") << QStringList{"r100/190", "q300"} << 1 << "05:00" << "7 minutes" << 600;
        QTest::newRow("running beyond the lanes left out") << QStringList{"r600/0", "r900/0"} << 1 << "10:00" << "25 minutes" << 1800;
        QTest::newRow("planned over candidates") << QStringList{"c300", "c300", "c300", "c0"} << 2 << "00:00" << "10 minutes" << 900;
        QTest::newRow("limit below one is one lane") << QStringList{"c300", "c200"} << 0 << "00:00" << "8 minutes" << 900;
        QTest::newRow("90 s") << QStringList{"c90"} << 1 << "00:00" << "2 minutes" << 600;
        QTest::newRow("89 s") << QStringList{"c89"} << 1 << "00:00" << "1 minutes" << 600;
        QTest::newRow("0 s") << QStringList{"c0"} << 1 << "00:00" << "" << 600;
        QTest::newRow("absurd duration") << QStringList{"c999999999"} << 1 << "00:00" << "16666667 minutes" << INT_MAX;
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
        QTEST(sessionDeadlineSecs(list.first()), "deadline");
    }

    // Before anything is queued: a row whose session would send nothing, or
    // whose update address a queued, running or earlier planned row holds.
    // Files: a package file by the name in its address; unpacked files in
    // order while the six session slots hold them, else none.
    void refusals()
    {
        DisplayList list = rows({"r60", "c60", "c60", "c60", "c60", "c60", "c60", "c60", "c60"});
        for (int i = 0; i < list.size(); ++i) {
            list[i].ipAddress = QHostAddress(QStringLiteral("10.0.0.%1").arg(i + 1));
            list[i].seriesId = list[i].numPACComponents = 3;
            list[i].modelName = QStringLiteral("K5");
        }
        list[1].useIP2 = list[8].useIP2 = 1;
        list[1].ipAddress2 = list[0].ipAddress;
        list[8].ipAddress2 = list[7].ipAddress;
        list[2].numPACComponents = 0; // a legacy release's default
        list[3].seriesId = 0;
        list[4].modelName = QStringLiteral("7 files");
        list[5].modelName = QStringLiteral("unknown");
        list[6].modelName = QStringLiteral("no name");
        list[7].modelName = QStringLiteral("6 files");
        const auto filesOf = [](const DISPLAY_LIST_ENTRY &e, FirmwareFileList *files) {
            FirmwareRelease release;
            release.downloadLoc = QStringLiteral("http://127.0.0.1:8070/packages/%1").arg(e.modelName == "no name" ? "" : "tm_981_210.bin?x=1");
            for (int i = 0; i < e.modelName.left(1).toInt(); ++i)
                release.unpackedFileInfo.append({QStringLiteral("F%1").arg(i + 1), 0, QString()});
            *files = firmwareFiles(release, QStringLiteral("/cache"));
            return e.modelName != QLatin1String("unknown");
        };
        const char *names[] = {"queued", "silent", "too many", "nothing to send", "shared"};
        QStringList shown;
        const QList<PlannedRow> plans = planQueue(list, filesOf);
        for (const PlannedRow &plan : plans)
            shown << QStringLiteral("%1 %2 %3").arg(plan.row).arg(names[int(plan.refusal)]).arg(plan.sharedWith);
        QCOMPARE(shown, (QStringList{"1 shared 0", "2 nothing to send -1", "3 silent -1", "4 too many -1",
                                     "6 nothing to send -1", "7 queued -1", "8 shared 7"}));
        QCOMPARE(reportRefusal(list, plans.last()),
                 QStringLiteral("Not updated: K5 at 10.0.0.9 shares its update address 10.0.0.8 with another display being updated."));
        QVERIFY(reportRefusal(list, plans.at(2)).isEmpty() && reportRefusal(list, plans.at(5)).isEmpty());
        QCOMPARE(plans.last().files.paths, QStringList{"/cache/tm_981_210.bin"});
        QCOMPARE(plans.at(5).files.paths, (QStringList{"/cache/F1", "/cache/F2", "/cache/F3", "/cache/F4", "/cache/F5", "/cache/F6"}));
        QVERIFY(plans.at(3).files.paths.isEmpty());
    }

    // Limit 1, three candidates: one starts per finished session, the status line counts
    // the rows started in this pass as queued, and cancelling leaves the running row alone.
    // The run's tally counts what ended and forgets what was cancelled.
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
        UpdateRun run;
        run.begin(3);
        PassResult pass = servicePass(list, running, 1, access);
        QCOMPARE(started, QList<int>{0});
        QCOMPARE(statusLine(running, pass.queued, remainingSecondsEstimate(list, 1, elapsed)),
                 QStringLiteral("Updating firmware on 1 display(s) via LAN. 3 display(s) are queued. Total estimated time remaining: 15:00"));
        QCOMPARE(servicePass(list, running, 1, access).queued, 2);
        QCOMPARE(started, QList<int>{0});

        status[0] = UpdateStatus::Complete;
        pass = servicePass(list, running, 1, access);
        run.passed(pass);
        QCOMPARE(pass.completed, (QHash<int, QString>{{0, "R1.200"}}));
        QCOMPARE(started, (QList<int>{0, 1}));
        QCOMPARE(pass.changed, (QList<int>{0, 1})); // the row left queued is not repainted
        QCOMPARE(list.at(0).currentFirmware, QStringLiteral("R1.400"));
        QCOMPARE(list.at(0).matchStatus, int(MatchStatus::UpToDate));
        QVERIFY(!list.at(0).selectedForUpdate);

        QCOMPARE(cancelQueued(list, [&](int row) { released.append(row); }), QList<int>{2});
        QCOMPARE(released, (QList<int>{0, 2}));
        QCOMPARE(list.at(1).updateStatus, int(UpdateStatus::Running));
        QCOMPARE(list.at(2).updateStatus, int(UpdateStatus::Idle));

        run.cancelled(1);
        status[1] = UpdateStatus::HttpCommError;
        run.passed(servicePass(list, running, 1, access));
        QCOMPARE(run.total, 2);
        QCOMPARE(run.fraction(list), 1.0);
        QCOMPARE(run.summary(), QStringLiteral("1 display(s) updated, 1 failed"));
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

    // What the window's test does not reach: the upload step, a damaged
    // journal, and one that cannot be written or removed (a folder in its
    // place) for a while: tried again until it matches, logged once.
    void journal()
    {
        QTemporaryDir dir;
        UpdateJournal journal(dir.filePath(QStringLiteral("journal.json")));
        DISPLAY_LIST_ENTRY e = rows({"r60"}).at(0);
        e.uploading = true;
        const UpdateJournal::Entry entry = UpdateJournal::entryFor(4, e, QDateTime::currentDateTimeUtc());
        QVERIFY(journal.keepInStep({entry}));
        QVERIFY(UpdateJournal::reportText(journal.read()).contains(QLatin1String(": uploading the firmware")));
        QVERIFY(writeFile(journal.path(), "{\"sess"));
        QVERIFY(UpdateJournal::reportText(journal.read()).contains(QLatin1String("cannot be read")));

        static QStringList log;
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) { log << m; });
        QVERIFY(QFile::remove(journal.path()) && QDir().mkpath(journal.path() + QStringLiteral("/blocked")));
        QVERIFY(!journal.keepInStep({entry, UpdateJournal::entryFor(5, e, QDateTime())}));
        QVERIFY(!journal.keepInStep({}));
        QVERIFY(!journal.keepInStep({}));
        QVERIFY(QDir(journal.path()).removeRecursively());
        QVERIFY(journal.keepInStep({}) && !QFile::exists(journal.path()));
        qInstallMessageHandler(previous);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith(QLatin1String("Unable to write the record of running updates:")), qPrintable(log.first()));
    }

    // After "Complete.", what the window's test does not reach: a display that still runs the old
    // firmware, one that reports another version, one without a control service.
    void verification()
    {
        Timing::setScale(0.05); // asked every 0.5 s, a 1-minute wait over after 3 s
        const QString block = QStringLiteral("127.94.%1.").arg(QCoreApplication::applicationPid() % 250 + 1);
        const QJsonArray fleet = QJsonDocument::fromJson(QByteArray(R"([{"address": "@2", "currentFirmware": "R1.200"},
            {"address": "@3", "currentFirmware": "R1.300"}, {"address": "@4", "faults": {"tcpRefuse": true}}])")
                                                             .replace('@', block.toLatin1())).array();
        SimulatorProcess sim;
        QVERIFY2(sim.start(fleet), qPrintable(sim.errorString()));
        const QStringList expected = {"Warning: the display still reports R1.200 after the update.",
                                      "Warning: the display reports R1.300 after the update instead of R1.400.",
                                      "Warning: the display did not answer within 1 minutes of the update; its firmware version could not be checked."};
        QStringList texts = {"", "", ""};
        for (int i = 0; i < fleet.size(); ++i) {
            auto *verifier = new UpdateVerifier(this, 60000);
            connect(verifier, &UpdateVerifier::finished, this, [&texts, verifier](const UpdateVerifier::Outcome &o) {
                texts[o.row] += UpdateVerifier::outcomeText(o);
                verifier->deleteLater();
            });
            verifier->start(i, QHostAddress(block + QString::number(i + 2)), TCP_REQ_FIRMWARE, QStringLiteral("R1.400"),
                            QStringLiteral("R1.200"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(texts, expected, 10000);
    }
};

QTEST_GUILESS_MAIN(tst_UpdateQueue)
#include "tst_updatequeue.moc"

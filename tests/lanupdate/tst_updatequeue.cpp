// The update queue's rules without a window or a socket: time estimates,
// the queue tick over sessions that report what the test says, the settle
// rule, cancelling, file lists, the confirmation's notes and the journal.
#include "displaylist/updatestatus.h"
#include "lanupdate/updatejournal.h"
#include "lanupdate/updatequeue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace UpdateQueue;

namespace {

// A checked row with its firmware downloaded.
DISPLAY_LIST_ENTRY candidate(int durationSecs = 300, int status = UpdateStatus::Idle)
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = QStringLiteral("K5-432");
    e.ipAddress = QHostAddress(QStringLiteral("127.0.0.2"));
    e.selectedForUpdate = true;
    e.downloadStatus = DownloadState::Downloaded;
    e.updateDurationSecs = durationSecs;
    e.updateStatus = status;
    e.seriesId = 3;
    e.numPACComponents = 1;
    e.latestVersion = QStringLiteral("R1.400");
    return e;
}

// Rows as "q600" (queued), "r600/100" (running for 100 s) or "c300" (candidate, idle).
DisplayList rows(const QStringList &specs, QHash<int, int> *elapsed = nullptr)
{
    DisplayList list;
    for (const QString &spec : specs) {
        const int status = spec.startsWith('q') ? UpdateStatus::Queued
            : spec.startsWith('r')              ? UpdateStatus::Running
                                                : UpdateStatus::Idle;
        list.append(candidate(spec.mid(1).section('/', 0, 0).toInt(), status));
        if (elapsed)
            elapsed->insert(list.size() - 1, spec.section('/', 1).toInt());
    }
    return list;
}

// Captures the log lines of one test step.
struct LogCapture
{
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message) { lines().append(message); }
    QtMessageHandler previous = qInstallMessageHandler(handler);
    LogCapture() { lines().clear(); }
    ~LogCapture() { qInstallMessageHandler(previous); }
    int count(const QString &text) const { return lines().filter(text).size(); }
};

}

class tst_UpdateQueue : public QObject
{
    Q_OBJECT

private slots:
    void estimates_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<int>("planned");
        QTest::newRow("lanes 500/200/600/600/0") << QStringList{"r600/100", "r300/100", "q600", "q600"} << 5 << 600 << 600;
        QTest::newRow("ties to the lowest lane") << QStringList{"q300", "q300", "q300"} << 2 << 600 << 600;
        QTest::newRow("overdue row counts below zero") << QStringList{"r100/190"} << 1 << 0 << 100;
        QTest::newRow("running beyond the lanes left out") << QStringList{"r600/0", "r900/0"} << 1 << 600 << 1500;
        QTest::newRow("planned over candidates") << QStringList{"c300", "c300", "c300", "c0"} << 2 << 0 << 600;
        QTest::newRow("limit below one is one lane") << QStringList{"c300", "c200"} << 0 << 0 << 500;
    }
    void estimates()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, limit);
        QHash<int, int> elapsed;
        const DisplayList list = ::rows(rows, &elapsed);
        int index = 0;
        QHash<const DISPLAY_LIST_ENTRY *, int> byEntry;
        for (const DISPLAY_LIST_ENTRY &e : list)
            byEntry.insert(&e, elapsed.value(index++));
        QTEST(remainingSecondsEstimate(list, limit, [&](const DISPLAY_LIST_ENTRY &e) { return byEntry.value(&e); }),
              "remaining");
        QTEST(plannedSecondsEstimate(list, limit), "planned");
    }

    void durationSentence_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("sentence"); // empty: left out
        QTest::newRow("90 s") << 90 << "take at least 2 minutes";
        QTest::newRow("89 s") << 89 << "take at least 1 minutes";
        QTest::newRow("0 s") << 0 << "";
    }
    void durationSentence()
    {
        QFETCH(int, seconds);
        QFETCH(QString, sentence);
        const QString below = confirmationTexts(rows({"c90"}), false, seconds).below;
        QCOMPARE(below.contains(QLatin1String("take at least")), !sentence.isEmpty());
        QVERIFY(below.contains(sentence));
        QVERIFY(below.endsWith(QLatin1String("<br><b>Are you sure you want to proceed?</b>")));
    }

    void confirmationNotes()
    {
        DisplayList list = rows({"c60", "c60", "c60"});
        list[0].powerCycleKind = 2;
        list[1].seriesId = 2;
        list[1].powerSaveMode = 1;
        list[1].assetTag = QStringLiteral("Lobby");
        list[2].selectedForUpdate = false;
        const ConfirmationTexts texts = confirmationTexts(list, true, 0);
        QCOMPARE(texts.rows, 2);
        QVERIFY(texts.heading.startsWith(QLatin1String("The firmware on the following 2 display(s)")));
        QVERIFY(texts.table.contains(QLatin1String("<td>1</td><td>K5-432</td><td></td><td></td><td>127.0.0.2</td><td>See note 1.</td>")));
        QVERIFY(texts.table.contains(QLatin1String("<td>Lobby</td><td>127.0.0.2</td><td>See note 2.Current setting is &quot;Auto Standby&quot;.</td>")));
        QVERIFY(texts.below.startsWith(QLatin1String("<b>Note 1:")) && texts.below.contains(QLatin1String("<b>Note 2:")));
        QVERIFY(!confirmationTexts(list, false, 0).table.contains(QLatin1String("Asset Tag")));
    }

    // Limit 1, three candidates: one starts per finished session, and the
    // status line counts the rows started in this pass as queued.
    void limitOneThreeCandidates()
    {
        DisplayList list = rows({"q300", "q300", "q300"});
        QList<int> started;
        QHash<int, int> status;
        SessionAccess access;
        access.start = [&](int row) { started.append(row); status[row] = UpdateStatus::Running; };
        access.read = [&](int row) {
            SessionSnapshot s;
            s.status = status.value(row);
            s.componentStatus[0] = s.status;
            s.componentProgress[0] = 10;
            return s;
        };
        access.release = [](int) {};
        int running = 0;
        PassResult pass = servicePass(list, running, 1, access);
        QCOMPARE(started, QList<int>{0});
        QCOMPARE(statusLine(running, pass.queued, remainingSecondsEstimate(list, 1)),
                 QStringLiteral("Updating firmware on 1 display(s) via LAN. 3 display(s) are queued. Total estimated time remaining: 15:00"));
        QCOMPARE(list.at(0).componentProgress[0], 10);
        pass = servicePass(list, running, 1, access);
        QCOMPARE(pass.queued, 2);
        QCOMPARE(started.size(), 1);

        status[0] = UpdateStatus::Complete;
        pass = servicePass(list, running, 1, access);
        QCOMPARE(pass.finished, QList<int>{0});
        QVERIFY(pass.completed);
        QCOMPARE(started, (QList<int>{0, 1}));
        QCOMPARE(running, 1);
        QCOMPARE(pass.changed, (QList<int>{0, 1})); // the row left queued is not repainted
        QCOMPARE(list.at(0).currentFirmware, QStringLiteral("R1.400"));
        QCOMPARE(list.at(0).matchStatus, int(MatchStatus::UpToDate));
        QVERIFY(!list.at(0).selectedForUpdate);
        QCOMPARE(statusLine(0, 0, -1), QStringLiteral("Updating firmware on 0 display(s) via LAN. 0 display(s) are queued."));
    }

    void settleRule_data()
    {
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("sessionStatus");
        QTest::addColumn<QList<int>>("components");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("lastStatus");
        QTest::addColumn<int>("statusLines"); // "Status:" log lines of the tick
        QTest::newRow("series 3: failed component while another runs") << 3 << 2 << QList<int>{-4, 2} << false << -4 << 1;
        QTest::newRow("series 3: session ends failed") << 3 << 4 << QList<int>{-4, 3} << true << 4 << 1;
        QTest::newRow("legacy retry keeps going") << 1 << 2 << QList<int>{3, -5} << false << -5 << 1;
        QTest::newRow("legacy retries exhausted") << 1 << -4 << QList<int>{3, -4} << true << -4 << 1;
        QTest::newRow("timeout") << 10 << -3 << QList<int>{-1} << true << -3 << 0;
        QTest::newRow("file not readable") << 9 << -2 << QList<int>{-2} << true << -2 << 1;
        QTest::newRow("final status, nothing settled") << 3 << 3 << QList<int>{0} << true << 3 << 0;
    }
    void settleRule()
    {
        QFETCH(int, series);
        QFETCH(int, sessionStatus);
        QFETCH(QList<int>, components);
        DISPLAY_LIST_ENTRY e = candidate(60, UpdateStatus::Running);
        e.seriesId = series;
        SessionSnapshot s;
        s.status = sessionStatus;
        for (int k = 0; k < components.size(); ++k) {
            s.componentStatus[k] = components.at(k);
            s.componentProgress[k] = 40;
        }
        LogCapture log;
        QTEST(applySnapshot(e, 0, s), "finished");
        QTEST(e.lastUpdateStatus, "lastStatus");
        QTEST(log.count(QStringLiteral("Status:")), "statusLines");
        QTEST(e.updateStatus == UpdateStatus::Idle, "finished");
        QCOMPARE(e.componentProgress[1], components.value(1) == 2 ? 40 : components.value(1) == 3 ? 100 : -1);
    }

    void cancelQueuedOnly()
    {
        DisplayList list = rows({"q60", "r60/0", "q60", "c60"});
        QList<int> released;
        QCOMPARE(cancelQueued(list, [&](int row) { released.append(row); }), (QList<int>{0, 2}));
        QCOMPARE(released, (QList<int>{0, 2}));
        QCOMPARE(list.at(1).updateStatus, int(UpdateStatus::Running));
        QCOMPARE(list.at(0).updateStatus, int(UpdateStatus::Idle));
    }

    void fileLists_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("single package file") << 0 << QStringList{"/cache/tm_981_210.bin"};
        QTest::newRow("two unpacked files") << 2 << QStringList{"/cache/F1.BIN", "/cache/F2.BIN"};
        QTest::newRow("six fit") << 6 << QStringList{"/cache/F1.BIN", "/cache/F2.BIN", "/cache/F3.BIN", "/cache/F4.BIN", "/cache/F5.BIN", "/cache/F6.BIN"};
        QTest::newRow("seven do not") << 7 << QStringList{};
    }
    void fileLists()
    {
        QFETCH(int, entries);
        QFETCH(QStringList, paths);
        FirmwareRelease release;
        release.downloadLoc = QStringLiteral("http://127.0.0.1:8070/firmwareupdates/packages/tm_981_210.bin?x=1");
        for (int i = 1; i <= entries; ++i)
            release.unpackedFileInfo.append({QStringLiteral("F%1.BIN").arg(i), 0, QString()});
        const FirmwareFileList list = firmwareFiles(release, QStringLiteral("/cache"));
        QCOMPARE(list.paths, paths);
        QCOMPARE(list.tooMany, entries > 6);
    }

    void journal()
    {
        QTemporaryDir dir;
        const UpdateJournal journal(dir.filePath(QStringLiteral("sub/journal.json")));
        QVERIFY(journal.read().isEmpty());
        DISPLAY_LIST_ENTRY e = candidate(60, UpdateStatus::Running);
        e.serialNumber = QStringLiteral("41A00001");
        e.useIP2 = 1;
        e.ipAddress2 = QHostAddress(QStringLiteral("127.0.0.102"));
        e.uploading = true;
        const QDateTime started = QDateTime::fromString(QStringLiteral("2024-01-12T10:00:00Z"), Qt::ISODate);
        QVERIFY(journal.write({UpdateJournal::entryFor(4, e, started)}));
        const QList<UpdateJournal::Entry> entries = journal.read();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).row, 4);
        QCOMPARE(entries.at(0).address, QStringLiteral("127.0.0.102"));
        QCOMPARE(entries.at(0).started, started);
        QVERIFY(UpdateJournal::reportText(entries).contains(QLatin1String("K5-432 (serial number 41A00001) at 127.0.0.102: uploading the firmware")));
        QVERIFY(journal.write({}));
        QVERIFY(!QFile::exists(journal.path()));

        // A damaged journal still tells that something was running.
        QFile damaged(journal.path());
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("{\"sess") > 0);
        damaged.close();
        QCOMPARE(journal.read().size(), 1);
        QVERIFY(UpdateJournal::reportText(journal.read()).contains(QLatin1String("cannot be read")));
    }
};

QTEST_GUILESS_MAIN(tst_UpdateQueue)
#include "tst_updatequeue.moc"

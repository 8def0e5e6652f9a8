// What the fleet engine reports, without a window, for each of its commands
// against the display simulator and the local firmware server: a search, a
// refresh, a download batch, a queue pass and a second writer. Each row
// runs the commands up to its own from a new engine and compares what the
// last one reported (signals and status texts, in order) and the rows' outcome.
#include "app/fleetengine.h"
#include "app/timing.h"
#include "displaylist/updatestatus.h"
#include "firmwareserverprocess.h"
#include "simulatorprocess.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_FleetEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimulatorProcess> m_sim; // new for each row: an update changes the displays
    QJsonArray m_fleet;
    FirmwareServerProcess m_server;
    QString m_block = QStringLiteral("127.93.%1.").arg(QCoreApplication::applicationPid() % 250 + 1);
    QStringList m_addresses;

private slots:
    void initTestCase();
    void init();
    void reports_data();
    void reports();
};

void tst_FleetEngine::initTestCase()
{
    Timing::setScale(0.2);
    // A CGI display, a timed one and a CGI display whose update fails.
    const QByteArray demo = readFile(FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/demo-fleet.json"))
                                .replace("127.0.0.", m_block.toLatin1());
    for (const QJsonValue &value : QJsonDocument::fromJson(demo)[QLatin1String("displays")].toArray()) {
        QJsonObject display = value.toObject();
        const QString address = display[QLatin1String("address")].toString();
        if (!QStringList{"2", "9", "22"}.contains(address.section('.', 3)))
            continue;
        display[QStringLiteral("updateTimeScale")] = 0.01;
        m_fleet.append(display);
        m_addresses.append(address);
    }
    QVERIFY(m_server.startDemoCatalogue());
}

void tst_FleetEngine::init()
{
    m_sim = std::make_unique<SimulatorProcess>();
    QVERIFY2(m_sim->start(m_fleet), qPrintable(m_sim->errorString()));
}

void tst_FleetEngine::reports_data()
{
    QTest::addColumn<QStringList>("commands");  // the last one's reports are compared
    QTest::addColumn<QStringList>("reported");  // in order, others between; "*" ends a prefix
    QTest::addColumn<QList<int>>("outcome");    // per display: lastUpdateStatus after updates, else downloadStatus

    const QStringList search{"search"};
    const QStringList download{"search", "download"};
    QTest::newRow("search") << search
                            << QStringList{"status:Searching...", "rows:1", "status:Found 3 display(s) on LAN",
                                           "searchFinished"}
                            << QList<int>{0, 0, 0};
    QTest::newRow("refresh") << (search + QStringList{"refresh"})
                             << QStringList{"status:Refreshing display information from 1 display(s)...", "status:",
                                            "row:-1", "searchFinished"}
                             << QList<int>{0, 0, 0};
    QTest::newRow("download batch") << download
                                    << QStringList{"downloads:1", "downloads:0", "status:Download complete",
                                                   "lanUpdateReady"}
                                    << QList<int>{3, 3, 3};
    // The last display answers its update result query with an error page.
    QTest::newRow("queue pass") << (download + QStringList{"confirm"})
                                << QStringList{"status:Updating firmware on 3 display(s) via LAN. 3 display(s) are queued.*",
                                               "status:Update finished", "updatesFinished"}
                                << QList<int>{3, 3, -1};
    QTest::newRow("second writer") << (download + QStringList{"hold", "confirm"})
                                   << QStringList{"refused:Another program*"} << QList<int>{3, 3, 3};
}

void tst_FleetEngine::reports()
{
    QFETCH(QStringList, commands);
    QFETCH(QStringList, reported);
    QFETCH(QList<int>, outcome);

    QTemporaryDir folder;
    FleetEngine::Environment environment;
    environment.documentsFolder = folder.path();
    environment.updateJournalFile = folder.filePath(QStringLiteral("data/journal.json"));
    environment.updateLockFile = folder.filePath(QStringLiteral("data/lan-updates.lock"));
    environment.databaseUrl = m_server.databaseUrl();
    FleetEngine engine(environment);
    QStringList events;
    connect(&engine, &FleetEngine::statusMessage, this, [&](const QString &text) { events << "status:" + text; });
    connect(&engine, &FleetEngine::rowsAdded, this, [&](int n) { events << QStringLiteral("rows:%1").arg(n); });
    connect(&engine, &FleetEngine::rowChanged, this, [&](int row) { events << QStringLiteral("row:%1").arg(row); });
    connect(&engine, &FleetEngine::downloadsRunning, this, [&](bool on) { events << QStringLiteral("downloads:%1").arg(on); });
    connect(&engine, &FleetEngine::updateRefused, this, [&](const QString &why) { events << "refused:" + why; });
    const auto note = [&events](const char *name) { return [&events, name] { events << QLatin1String(name); }; };
    connect(&engine, &FleetEngine::searchFinished, this, note("searchFinished"));
    connect(&engine, &FleetEngine::lanUpdateReady, this, note("lanUpdateReady"));
    connect(&engine, &FleetEngine::lanUpdateNotStarted, this, note("lanUpdateNotStarted"));
    connect(&engine, &FleetEngine::updatesFinished, this, note("updatesFinished"));
    const auto after = [&](const char *event) { return QTest::qWaitFor([&] { return events.contains(event); }, 30000); };

    engine.retrieveReleaseDatabase();
    QVERIFY(QTest::qWaitFor([&] { return engine.databaseLoaded(); }, 10000));
    QList<QHostAddress> targets;
    for (const QString &address : qAsConst(m_addresses))
        targets << QHostAddress(address);
    engine.setTargetAddresses(targets);
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("data"))));
    QLockFile otherWriter(environment.updateLockFile);
    for (const QString &command : commands) {
        events.clear();
        if (command == "search") {
            QVERIFY(engine.searchTargeted());
            QVERIFY(after("searchFinished"));
        } else if (command == "refresh") {
            engine.refreshRow(0);
            QVERIFY(after("searchFinished"));
        } else if (command == "download") {
            engine.downloadForLanUpdate();
            QVERIFY(after("lanUpdateReady"));
        } else if (command == "hold") {
            QVERIFY(otherWriter.tryLock(0));
        } else if (engine.confirmUpdates()) {
            QVERIFY(after("updatesFinished"));
        }
    }

    int at = 0;
    for (const QString &event : qAsConst(events)) {
        const QString &expected = reported.value(at);
        if (at < reported.size()
            && (expected.endsWith('*') ? event.startsWith(expected.chopped(1)) : event == expected))
            ++at;
    }
    QVERIFY2(at == reported.size(), qPrintable("missing " + reported.value(at) + " in " + events.join(" | ")));
    for (const DISPLAY_LIST_ENTRY &e : engine.displays()) {
        const int expected = outcome.at(m_addresses.indexOf(e.ipAddress.toString()));
        QCOMPARE(commands.endsWith("confirm") && !commands.contains("hold") ? e.lastUpdateStatus : e.downloadStatus,
                 expected);
    }
}

QTEST_GUILESS_MAIN(tst_FleetEngine)
#include "tst_fleetengine.moc"

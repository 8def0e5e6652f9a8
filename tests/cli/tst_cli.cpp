#include "cli/cliarguments.h"

#include "firmwareserverprocess.h"
#include "simulatorprocess.h"
#include "testfiles.h"

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// vdfu as a script runs it: a process with its own home (settings, documents,
// data), the demo catalogue from the local firmware server, and displays of
// the demo fleet on a loopback block of this test.
namespace {

struct Run
{
    int exitStatus = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// A home folder whose settings point at `server`.
struct Home
{
    QTemporaryDir dir;
    explicit Home(const QString &server)
    {
        QSettings settings(path(".config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/Firmware Server URL"), server);
    }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString firmware() const { return path("Documents/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware"); }
    QString journal() const { return path(".local/share/BREVLIN VANTOR DISPLAY SOLUTIONS/Vantor Display Firmware Update Tool/running-lan-updates.json"); }

    // Starts vdfu; `whileRunning` may talk to it before it is waited for.
    Run run(const QStringList &arguments, const std::function<void(QProcess &)> &whileRunning = {}) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : {std::pair{"HOME", ""}, {"XDG_CONFIG_HOME", ".config"}, {"XDG_DATA_HOME", ".local/share"}})
            environment.insert(QLatin1String(name), path(QLatin1String(value)));
        environment.insert(QStringLiteral("VDFU_TIME_SCALE"), QStringLiteral("0.2"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VDFU_TOOLS_BIN_DIR "/vdfu"), arguments);
        if (whileRunning)
            whileRunning(process);
        Run run;
        if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
            run.exitStatus = process.exitCode();
        run.out = process.readAllStandardOutput();
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
};

}

class tst_Cli : public QObject
{
    Q_OBJECT

    FirmwareServerProcess m_server;
    SimulatorProcess m_sim;
    QString m_block = QStringLiteral("127.96.%1.").arg(QCoreApplication::applicationPid() % 250 + 1);
    QString m_targets;

    QString at(int host) const { return m_block + QString::number(host); }
    QJsonObject result(const QJsonObject &document, int host) const
    {
        for (const QJsonValue &value : document[QLatin1String("results")].toArray())
            if (value[QLatin1String("address")] == at(host))
                return value.toObject();
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.startDemoCatalogue(), qPrintable(m_server.errorString()));
        // Demo displays by their last address byte: 2 updates, 3 is up to
        // date, 4 fails, 8 and 9 update slowly (for the interrupt).
        const QJsonObject changes = QJsonDocument::fromJson(R"({"2": {}, "3": {}, "9": {"updateTimeScale": 0.2},
            "4": {"faults": {"update": {"updateFails": 1}}}, "8": {"updateTimeScale": 0.2}})").object();
        const QByteArray demo = readFile(FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/demo-fleet.json"))
                                    .replace("127.0.0.", m_block.toLatin1());
        QJsonArray fleet;
        for (const QJsonValue &value : QJsonDocument::fromJson(demo)[QLatin1String("displays")].toArray()) {
            QJsonObject display = value.toObject();
            const QJsonValue change = changes[display[QLatin1String("address")].toString().section('.', 3)];
            if (!change.isObject())
                continue;
            display[QStringLiteral("updateTimeScale")] = 0.01;
            for (const QString &key : change.toObject().keys())
                display[key] = change[key];
            fleet.append(display);
        }
        QVERIFY2(m_sim.start(fleet), qPrintable(m_sim.errorString()));
        m_targets = QStringLiteral("%1,%2-%3,%4,%5").arg(at(2), at(3), at(4), at(8), at(9));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "Name a command";
        QTest::newRow("unknown command") << QStringList{"find"} << "Unknown command \"find\"";
        QTest::newRow("unknown option") << QStringList{"search", "--all"} << "Unknown option \"--all\" for search.";
        QTest::newRow("missing value") << QStringList{"search", "--targets"} << "The option --targets needs a value.";
        QTest::newRow("flag with value") << QStringList{"update", "--all=1"} << "The option --all takes no value.";
        QTest::newRow("format") << QStringList{"search", "--format", "xml"} << "Unknown format \"xml\"";
        QTest::newRow("same address range") << QStringList{"search", "--targets=10.0.0.5 - 10.0.0.5"} << "Invalid IP address range on line 1";
        QTest::newRow("bad item") << QStringList{"search", "--targets", "10.0.0.1,10.0.0.256"} << "Address format error on line 2";
        QTest::newRow("too many") << QStringList{"update", "--address", "10.0.0.0-10.0.16.0"} << "Maximum number of addresses exceeded";
        QTest::newRow("comments only") << QStringList{"search", "--targets", "# none"} << "holds no address";
        QTest::newRow("both searches") << QStringList{"search", "--broadcast", "--targets", "10.0.0.1"} << "exclude each other";
        QTest::newRow("interface and targets") << QStringList{"search", "--interface", "eth0", "--targets", "10.0.0.1"} << "--interface";
        QTest::newRow("no selection") << QStringList{"update", "--yes"} << "Name the displays to update";
        QTest::newRow("all and model") << QStringList{"download", "--all", "--model", "K5-552"} << "Name the firmware";
        QTest::newRow("limit") << QStringList{"update", "--all", "--limit", "0"} << "from 1 to 1000";
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Cli::ParseResult parsed = Cli::parseArguments(arguments);
        QVERIFY2(parsed.error.contains(message), qPrintable(parsed.error));
    }

    // Each format of one search: every display of the block once, with the
    // window's texts; the CSV reads back to the same records.
    void searchFormats()
    {
        Home home(m_server.baseUrl().toString());
        const Run json = home.run({"search", "--targets", m_targets, "--format", "json"});
        QCOMPARE(json.exitStatus, 0);
        QCOMPARE(json.json()[QLatin1String("version")], 1);
        const QJsonArray displays = json.json()[QLatin1String("displays")].toArray();
        QCOMPARE(displays.size(), 5);
        QHash<QString, QJsonObject> byAddress;
        for (const QJsonValue &display : displays)
            byAddress.insert(display[QLatin1String("address")].toString(), display.toObject());
        QCOMPARE(byAddress[at(2)][QLatin1String("availability")], "New version R1.400 available");
        QCOMPARE(byAddress[at(2)][QLatin1String("lanUpdate")], true);
        QCOMPARE(byAddress[at(3)][QLatin1String("availability")], "Up-to-date");
        QCOMPARE(byAddress[at(2)][QLatin1String("assetTag")], "Lobby left");

        const Run csv = home.run({"search", "--targets", m_targets, "--format=csv"});
        QCOMPARE(csv.exitStatus, 0);
        QList<QStringList> rows;
        for (const QByteArray &line : csv.out.split('\n'))
            if (!line.isEmpty())
                rows.append(QString::fromUtf8(line).chopped(1).split(QLatin1Char(','))); // CRLF
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.first().mid(0, 3), QStringList({"Model Name", "Serial Number", "Asset Tag"}));
        for (const QStringList &row : rows.mid(1))
            QCOMPARE(row.at(1), byAddress[row.at(3)][QLatin1String("serialNumber")].toString());

        const Run table = home.run({"search", "--targets", m_targets});
        QCOMPARE(table.exitStatus, 0);
        QVERIFY(table.out.startsWith("Model Name  Serial Number"));
        QCOMPARE(table.out.count('\n'), 6);
    }

    // The plan without a single change: no download, no update, no lock.
    void dryRunChangesNothing()
    {
        Home home(m_server.baseUrl().toString());
        m_sim.clearEvents();
        const Run run = home.run({"update", "--all", "--dry-run", "--targets", m_targets, "--format", "json"});
        QCOMPARE(run.exitStatus, 0);
        const QJsonObject plan = run.json()[QLatin1String("plan")].toObject();
        QCOMPARE(plan[QLatin1String("displays")].toArray().size(), 4); // not the one up to date
        QVERIFY(plan[QLatin1String("estimateSeconds")].toInt() > 0);
        QVERIFY(QDir(home.firmware()).entryList(QDir::Files).filter(QStringLiteral(".zip")).isEmpty());
        QVERIFY(!QFile::exists(QFileInfo(home.journal()).dir().filePath(QStringLiteral("lan-updates.lock"))));
        QVERIFY(m_sim.events(QStringLiteral("updateRequest")).isEmpty());
        QVERIFY(m_sim.events(QStringLiteral("powerSaveChanged")).isEmpty());
    }

    // The firmware of the named models into the folder, once.
    void downloadForOfflineUse()
    {
        Home home(m_server.baseUrl().toString());
        const Run first = home.run({"download", "--model", "k5-552", "--format", "json"});
        QCOMPARE(first.exitStatus, 0);
        const QJsonArray releases = first.json()[QLatin1String("releases")].toArray();
        QCOMPARE(releases.size(), 2); // the model's two serial-number variants
        QCOMPARE(releases.at(1)[QLatin1String("status")], "downloaded");
        QVERIFY(QDir(home.firmware()).entryList(QDir::Files).size() > 2); // beside the database copy
        const Run second = home.run({"download", "--model", "K5-552"});
        QCOMPARE(second.exitStatus, 3);
        QCOMPARE(second.out.count("already in the firmware folder"), 2);
    }

    // Bad input ends the run at once with status 2 and a clear message, as a
    // JSON document when asked for; nothing is fetched or updated.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("no --yes in JSON") << QStringList{"update", "--all", "--format", "json"} << "" << "needs --yes";
        QTest::newRow("unknown model") << QStringList{"update", "--model", "XY-000", "--dry-run", "--format", "json"} << "" << "names the model XY-000";
        QTest::newRow("download, unknown model") << QStringList{"download", "--model", "K5-552", "--model", "XY-000", "--format", "json"} << "" << "names the model XY-000";
        QTest::newRow("download, USB only") << QStringList{"download", "--model", "CB-321", "--format", "json"} << "" << "model CB-321 that this build can apply over the LAN";
        QTest::newRow("bad list") << QStringList{"update", "--address", "1.2.3", "--format", "json"} << "" << "Address format error";
        QTest::newRow("settings") << QStringList{"search", "--format", "json"} << "settings" << "cannot be read";
        QTest::newRow("catalogue") << QStringList{"update", "--all", "--yes", "--format", "json"} << "catalogue" << "no usable copy";
        QTest::newRow("folder") << QStringList{"download", "--all", "--format", "json"} << "folder" << "cannot be created";
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        Home home(damage == "catalogue" ? QStringLiteral("http://127.0.0.1:9/firmwareupdates/") : m_server.baseUrl().toString());
        const QString settings = home.path(".config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf");
        if (damage == "settings") // a folder where the settings file should be
            QVERIFY(QFile::remove(settings) && QDir().mkpath(settings));
        if (damage == "catalogue")
            QVERIFY(QDir().mkpath(home.firmware()) && writeFile(home.firmware() + "/pd_firmware_releases.json", "{\"info\": "));
        if (damage == "folder")
            QVERIFY(QDir().mkpath(home.path("Documents")) && writeFile(home.path("Documents/Brevlin Vantor Display Solutions"), "x"));
        m_sim.clearEvents();
        // Never a broadcast from this namespace, whatever goes wrong.
        const Run run = home.run(arguments.first() == "download" ? arguments : arguments + QStringList{"--targets", m_targets});
        QCOMPARE(run.exitStatus, 2);
        const QJsonObject error = run.json()[QLatin1String("error")].toObject();
        QVERIFY2(error[QLatin1String("message")].toString().contains(message), run.out.constData());
        QCOMPARE(error[QLatin1String("exitStatus")], 2);
        QVERIFY(run.err.contains(message));
        QVERIFY(m_sim.events(QStringLiteral("updateRequest")).isEmpty());
    }

    // A mixed fleet: one display updates, one fails, the others are not
    // selected; one result each for the selected, and status 1.
    void updateWithOneFailure()
    {
        Home home(m_server.baseUrl().toString());
        const Run run = home.run({"update", "--address", at(2), "--address", at(4), "--yes",
                                  "--targets", m_targets, "--format", "json"});
        QCOMPARE(run.exitStatus, 1);
        QCOMPARE(run.json()[QLatin1String("results")].toArray().size(), 2);
        const QJsonObject updated = result(run.json(), 2), failed = result(run.json(), 4);
        QCOMPARE(updated[QLatin1String("status")], 3);
        QCOMPARE(updated[QLatin1String("firmwareBefore")], "R1.200");
        QCOMPARE(updated[QLatin1String("check")], "Verified: the display reports R1.400");
        QCOMPARE(failed[QLatin1String("status")], 4);
        QCOMPARE(failed[QLatin1String("result")], "Error: Update failed.");
        QVERIFY(run.err.contains(QStringLiteral("Display #1 K5-432 at %1: uploading").arg(at(2))));
        QVERIFY(!QFile::exists(home.journal()));

        // Both sessions in the history, the good one completed by its check.
        QHash<QString, QJsonObject> history;
        for (const QJsonValue &record : home.run({"history", "--format", "json"}).json()[QLatin1String("records")].toArray())
            history.insert(record[QLatin1String("address")].toString(), record.toObject());
        QCOMPARE(history.size(), 2);
        QCOMPARE(history[at(2)][QLatin1String("firmwareBefore")], "R1.200");
        QCOMPARE(history[at(2)][QLatin1String("firmwareAfter")], "R1.400");
        QCOMPARE(history[at(2)][QLatin1String("check")], updated[QLatin1String("check")]);
        QCOMPARE(history[at(4)][QLatin1String("outcome")], "Error: Update failed.");
    }

    // Without a database: every format prints no record (and creates none); a bad date
    // and a file that is no database are refused.
    void history_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("json") << QStringList{"--format", "json"} << 0 << QByteArray("\"records\": [\n    ]");
        QTest::newRow("csv, since a date") << QStringList{"--since", "2024-05-06", "--format=csv"} << 0 << QByteArray("Started,Kind,Model Name,");
        QTest::newRow("table, since a time") << QStringList{"--since", "2024-05-06T10:00:00Z"} << 0 << QByteArray("Started  Kind  Model Name");
        QTest::newRow("bad date") << QStringList{"--since", "2024-13-01", "--format", "json"} << 2 << QByteArray("Bad date");
        QTest::newRow("no database") << QStringList{"--format", "json"} << 2 << QByteArray("cannot be read");
    }
    void history()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitStatus);
        QFETCH(QByteArray, out);
        Home home(m_server.baseUrl().toString());
        const QString file = QFileInfo(home.journal()).dir().filePath(QStringLiteral("update-history.sqlite"));
        const bool damaged = QByteArray(QTest::currentDataTag()) == "no database";
        QVERIFY(!damaged || (QDir().mkpath(QFileInfo(file).path()) && writeFile(file, QByteArray(4096, 'x'))));
        const Run run = home.run(QStringList{"history"} + arguments);
        QCOMPARE(run.exitStatus, exitStatus);
        QVERIFY2(run.out.contains(out), run.out.constData());
        QCOMPARE(QDir(home.path(".local/share")).exists(), damaged);
    }

    // While one run updates, another is refused; the first interrupt cancels
    // the queued update, the second ends the run at once, the journal kept.
    void interruptKeepsJournal()
    {
        Home home(m_server.baseUrl().toString());
        Run second;
        const Run first = home.run({"update", "--address", at(8) + "," + at(9), "--yes", "--limit", "1",
                                    "--targets", m_targets, "--format", "json"},
                                   [&](QProcess &process) {
            QVERIFY(m_sim.waitForEvent(QStringLiteral("updatePhase"), {{"phase", "updating"}}, 60000));
            QTRY_VERIFY(QFile::exists(home.journal()));
            second = home.run({"update", "--all", "--yes", "--targets", m_targets});
            ::kill(pid_t(process.processId()), SIGINT);
            QByteArray err;
            QTRY_VERIFY((err += process.readAllStandardError()).contains("Interrupted: the queued updates are cancelled"));
            ::kill(pid_t(process.processId()), SIGINT);
        });
        QCOMPARE(second.exitStatus, 2);
        QVERIFY2(second.err.contains("Another program (vdfu, process"), qPrintable(second.err));
        QCOMPARE(first.exitStatus, 4);
        const QJsonArray results = first.json()[QLatin1String("results")].toArray();
        QCOMPARE(results.size(), 2);
        QCOMPARE(results.at(0)[QLatin1String("status")].toInt() + results.at(1)[QLatin1String("status")].toInt(), 2); // running, cancelled
        QVERIFY(readFile(home.journal()).contains("\"model\""));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"

// Measures a whole search by both faces of the fleet engine: from the start
// of a targeted search of N simulated displays on loopback to the end of the
// matching that follows the last control exchange. The window runs in this
// process; the command line (vdfu search --format json) runs as a child with
// its own home, timed from the first search request a display receives to
// the end of its output, its CPU time and peak memory taken from wait4 (the
// whole run: start, catalogue, search and output). Prints when the last
// search request went out (the pacing alone needs 10 ms per 11 addresses),
// the wall time, the CPU time, the peak memory and, for the window, the
// longest stall of the event loop while the results merge.
//
//     bench_orchestration [N ...]        (default: 50 250 1000)
#include "processfigures.h"
#include "app/pdfirmuptool.h"
#include "app/startup.h"
#include "discovery/displaysearchudp.h"
#include "dialogs/messageboxes.h"
#include "discovery/openfilelimit.h"
#include "firmwareserverprocess.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "simulatorprocess.h"
#include "testsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QSettings>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString hostAddress(int block, int i)
{
    // 250 displays per /24, from .1 up.
    return QStringLiteral("127.%1.%2.%3").arg(block).arg(i / 250).arg(i % 250 + 1);
}

// Models of the demo catalogue, so that every row is matched for real.
QJsonArray fleet(int count, int block)
{
    static const char *const models[] = {"K5-432", "K5-552", "HL-751", "QZ-651", "TM-981", "K5R-554"};
    static const int series[] = {3, 3, 4, 2, 11, 6};
    QJsonArray displays;
    for (int i = 0; i < count; ++i) {
        const int kind = i % 6;
        displays.append(QJsonObject{{"address", hostAddress(block, i)},
                                    {"modelName", models[kind]},
                                    {"serialNumber", QStringLiteral("BN%1").arg(i, 6, 10, QLatin1Char('0'))},
                                    {"seriesCode", series[kind]},
                                    {"currentFirmware", "1.0"},
                                    {"assetTag", QStringLiteral("Rack %1").arg(i)}});
    }
    return displays;
}

struct Result
{
    int rows = 0;
    qint64 lastRequestMs = -1;
    qint64 wallMs = -1;
    double cpu = 0;
    double peakMb = 0;
    qint64 longestStallMs = -1;
};

// Exactly the displays' addresses, so that the search ends once all have answered.
QString targets(int count, int block, QChar separator)
{
    QStringList addresses;
    for (int i = 0; i < count; ++i)
        addresses.append(hostAddress(block, i));
    return addresses.join(separator);
}

Result run(int count, int block, const QUrl &server)
{
    TestSettingsLocation settings;
    QTemporaryDir documents;
    settings.setMainValue(QStringLiteral("Firmware Server URL"), server.toString());
    settings.setMainValue(QStringLiteral("IP Address Scan Text"), targets(count, block, QLatin1Char('\n')));
    SimulatorProcess simulator;
    if (!simulator.start(fleet(count, block))) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(simulator.errorString()));
        return {};
    }

    MessageBoxes::setNextAnswer(QMessageBox::Ok); // the newer-build notice
    PDFirmUpTool::Environment environment;
    environment.documentsFolder = documents.path();
    PDFirmUpTool window(environment);
    window.resize(1200, 760);
    window.show();
    PDFirmUpToolTestAccess access(window);

    Result result;
    QElapsedTimer clock;
    double cpuAtStart = 0;
    QEventLoop loop;
    // The search starts by itself 3 s after the database has arrived.
    QObject::connect(window.statusBar(), &QStatusBar::messageChanged, &window, [&](const QString &text) {
        if (!clock.isValid() && text == QLatin1String("Searching...")) {
            clock.start();
            cpuAtStart = cpuSeconds();
        }
    });
    QObject::connect(access.search(), &DisplaySearchUDP::requestsSent, &window, [&] {
        if (clock.isValid() && result.lastRequestMs < 0)
            result.lastRequestMs = clock.elapsed();
    });
    // The matching announces every row at once when it is done.
    QObject::connect(&window, &PDFirmUpTool::update_info, &window, [&](int row) {
        if (row < 0 && clock.isValid() && access.pendingTcpReplies() == 0 && access.list().size() == count
            && result.wallMs < 0) {
            result.wallMs = clock.elapsed();
            result.cpu = cpuSeconds() - cpuAtStart;
            loop.quit();
        }
    });
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
        if (clock.isValid() && result.wallMs < 0)
            result.longestStallMs = qMax(result.longestStallMs, sinceTick.elapsed());
        sinceTick.restart();
    });
    sinceTick.start();
    ticker.start();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    result.rows = access.list().size();
    result.peakMb = peakMemoryKb() / 1024.0;
    return result;
}

// vdfu with `arguments` in `home`, its standard output read through the
// event loop (which also takes the simulator's events); false when it could
// not start. Its CPU time comes from wait4, its peak memory from /proc while
// it runs (wait4's figure starts from the memory of the process that spawned
// it), and `firstOutputMs` is when its output began on `clock`.
bool spawnCli(const QStringList &arguments, const QString &home, const QElapsedTimer &clock, QByteArray *out,
              rusage *usage, long *peakKb, qint64 *firstOutputMs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    QByteArrayList storage{QByteArrayLiteral(VDFU_TOOLS_BIN_DIR "/vdfu")};
    for (const QString &argument : arguments)
        storage.append(argument.toLocal8Bit());
    const int argumentCount = storage.size();
    for (const QString &variable : environment.toStringList())
        storage.append(variable.toLocal8Bit());
    QVector<char *> pointers;
    for (QByteArray &item : storage) {
        pointers.append(item.data());
        if (pointers.size() == argumentCount)
            pointers.append(nullptr);
    }
    pointers.append(nullptr);

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pointers.at(0), &actions, nullptr, pointers.data(),
                                    pointers.data() + argumentCount + 1);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) {
        ::close(pipe[0]);
        return false;
    }
    QEventLoop loop;
    QSocketNotifier notifier(pipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        // Before reading: the child, blocked on its output, is still alive.
        *peakKb = qMax(*peakKb, peakMemoryKb(pid));
        if (out->isEmpty())
            *firstOutputMs = clock.elapsed();
        char buffer[65536];
        const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
        if (got > 0)
            out->append(buffer, int(got));
        else
            loop.quit();
    });
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&] { *peakKb = qMax(*peakKb, peakMemoryKb(pid)); });
    sampler.start(5);
    QTimer::singleShot(60000, &loop, [&] { ::kill(pid, SIGKILL); });
    loop.exec();
    ::close(pipe[0]);
    int status = 0;
    return ::wait4(pid, &status, 0, usage) == pid;
}

Result runCli(int count, int block, const QUrl &server)
{
    QTemporaryDir home;
    QSettings(home.filePath(QStringLiteral(".config/Vantor Monitor User Tessilon/Vantor Display Firmware Update Tool.conf")),
              QSettings::IniFormat)
        .setValue(QStringLiteral("Settings/Firmware Server URL"), server.toString());
    SimulatorProcess simulator;
    if (!simulator.start(fleet(count, block))) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(simulator.errorString()));
        return {};
    }
    Result result;
    QElapsedTimer clock;
    int requests = 0;
    QObject::connect(&simulator, &ToolProcess::eventReceived, &simulator, [&](const QJsonObject &event) {
        if (event.value(QLatin1String("event")) != QLatin1String("udpRequest"))
            return;
        if (!clock.isValid())
            clock.start();
        if (++requests == count)
            result.lastRequestMs = clock.elapsed();
    });
    QByteArray out;
    rusage usage{};
    long peakKb = 0;
    if (!spawnCli({QStringLiteral("search"), QStringLiteral("--targets"), targets(count, block, QLatin1Char(',')),
                   QStringLiteral("--format"), QStringLiteral("json")},
                  home.path(), clock, &out, &usage, &peakKb, &result.wallMs)) {
        std::fprintf(stderr, "vdfu did not run\n");
        return {};
    }
    result.rows = QJsonDocument::fromJson(out)[QLatin1String("displays")].toArray().size();
    result.cpu = cpuSeconds(usage);
    result.peakMb = peakKb / 1024.0;
    return result;
}

void print(int count, const char *face, const Result &r)
{
    std::printf("%8d %8s %8d %16lld %10lld %10.2f %12.1f", count, face, r.rows, r.lastRequestMs, r.wallMs, r.cpu, r.peakMb);
    if (r.longestStallMs >= 0)
        std::printf(" %11lld ms", r.longestStallMs);
    std::printf("\n");
    std::fflush(stdout);
}

}

int main(int argc, char *argv[])
{
    raiseOpenFileLimit();
    Startup::chooseEventDispatcher(); // as the application does
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initVdfuResources();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QList<int> counts;
    for (const QString &argument : app.arguments().mid(1))
        counts.append(argument.toInt());
    if (counts.isEmpty())
        counts = {50, 250, 1000};

    FirmwareServerProcess server;
    if (!server.startDemoCatalogue()) {
        std::fprintf(stderr, "firmware server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("%8s %8s %8s %16s %10s %10s %12s %14s\n", "displays", "face", "rows", "last request ms", "wall ms",
                "cpu s", "peak MB", "longest stall");
    int block = 40;
    for (int count : qAsConst(counts)) {
        print(count, "window", run(count, block++, server.baseUrl()));
        print(count, "vdfu", runCli(count, block++, server.baseUrl()));
    }
    return 0;
}

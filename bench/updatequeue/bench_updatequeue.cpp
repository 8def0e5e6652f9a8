// Measures the LAN update queue with the real main window: N simulated
// displays of the CGI dialect updated with a simultaneous-update limit, each
// sent the same firmware file, against the lane floor (the number of waves
// times the time one display's update takes alone, measured first in the
// same run). Prints the wall times, the CPU time of this process, its peak
// memory and the longest stall of the event loop while the sessions run.
//
//     bench_updatequeue [--count 100] [--limit 20] [--megabytes 1] [--sim-scale 0.05]
#include "processfigures.h"
#include "app/pdfirmuptool.h"
#include "app/timing.h"
#include "discovery/openfilelimit.h"
#include "displaylist/updatestatus.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "simulatorprocess.h"
#include "testsettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

QString hostAddress(int i)
{
    return QStringLiteral("127.93.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

const QByteArray kDatabase = R"({"info": {"databaseVersion": 1}, "firmware": [{"version": "R2.000",
    "downloadLoc": "http://127.0.0.1:9/firmwareupdates/packages/bench_fw.bin", "seriesName": "SERIES_KESTREL5",
    "updateViaHTTP": 1, "updateViaHTTPDurationSecs": 6, "numPACComponents": 1, "models": ["BQ-100"]}]})";

struct Run
{
    qint64 wallMs = -1;
    double cpu = 0;
    qint64 longestStallMs = 0;
    int complete = 0;
};

Run run(PDFirmUpToolTestAccess &access, int count)
{
    // The window's own database retrieval (from an unreachable server) may have replaced it meanwhile.
    access.releaseDb().parse(kDatabase);
    access.clearRows();
    for (int i = 0; i < count; ++i) {
        DISPLAY_LIST_ENTRY e = lanUpdatableRow(QStringLiteral("BQ-100"), QStringLiteral("BQ%1").arg(i));
        e.ipAddress = QHostAddress(hostAddress(i));
        e.seriesId = 3;
        e.numPACComponents = 1;
        e.updateDurationSecs = 6;
        e.downloadStatus = DownloadState::Downloaded;
        e.latestVersion = QStringLiteral("R2.000");
        access.appendRow(e);
    }
    Run result;
    QElapsedTimer clock;
    clock.start();
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        result.longestStallMs = qMax(result.longestStallMs, sinceTick.elapsed());
        sinceTick.restart();
    });
    sinceTick.start();
    ticker.start();
    access.queueFirmwareUpdates();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!access.updateQueueRunning() || clock.elapsed() > 600000)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    result.wallMs = clock.elapsed();
    result.cpu = cpuSeconds() - cpuAtStart;
    for (const DISPLAY_LIST_ENTRY &e : access.list())
        result.complete += e.lastUpdateStatus == UpdateStatus::Complete ? 1 : 0;
    return result;
}

}

int main(int argc, char *argv[])
{
    raiseOpenFileLimit();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initVdfuResources();
    int count = 100;
    int limit = 20;
    int megabytes = 1;
    double simScale = 0.05;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--count"))
            count = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--limit"))
            limit = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--megabytes"))
            megabytes = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--sim-scale"))
            simScale = args.at(i + 1).toDouble();
    }
    // The queue tick every 250 ms instead of every second, so that its
    // granularity does not hide the queue's own cost.
    Timing::setScale(0.25);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    TestSettingsLocation settings;
    settings.setMainValue(QStringLiteral("Multi Update Limit"), limit);
    QTemporaryDir folder;
    QFile firmware(folder.filePath(QStringLiteral("bench_fw.bin")));
    if (!firmware.open(QIODevice::WriteOnly) || firmware.write(QByteArray(megabytes * 1024 * 1024, 'f')) < 0)
        return 1;
    firmware.close();

    QJsonArray displays;
    for (int i = 0; i < count; ++i) {
        displays.append(QJsonObject{{"address", hostAddress(i)}, {"modelName", "BQ-100"},
                                    {"serialNumber", QStringLiteral("BQ%1").arg(i)}, {"seriesCode", 3},
                                    {"currentFirmware", "R1.000"}, {"firmwareAfterUpdate", "R2.000"},
                                    {"updateTimeScale", simScale}});
    }
    SimulatorProcess simulator;
    if (!simulator.start(displays)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(simulator.errorString()));
        return 1;
    }

    PDFirmUpTool::Environment environment;
    environment.documentsFolder = folder.path();
    PDFirmUpTool window(environment);
    PDFirmUpToolTestAccess access(window);
    access.cacheFolder() = folder.path();
    access.multiUpdateLimit() = limit;

    const Run alone = run(access, 1);
    const Run all = run(access, count);
    const int waves = (count + limit - 1) / limit;
    const double floorMs = double(waves) * alone.wallMs;
    std::printf("one display alone: %.2f s (%d complete)\n", alone.wallMs / 1000.0, alone.complete);
    std::printf("%d displays, limit %d, %d MB each: %.2f s (%d complete); lane floor %d x %.2f s = %.2f s; "
                "%+.1f %%\n",
                count, limit, megabytes, all.wallMs / 1000.0, all.complete, waves, alone.wallMs / 1000.0,
                floorMs / 1000.0, (all.wallMs - floorMs) * 100.0 / floorMs);
    std::printf("application CPU %.2f s, peak resident %ld kB, longest event-loop stall %lld ms\n", all.cpu,
                peakMemoryKb(), static_cast<long long>(all.longestStallMs));
    return all.complete == count ? 0 : 2;
}

// Measures a whole search with the real main window: from the start of a
// targeted search of N simulated displays on loopback to the end of the
// matching that follows the last control exchange. Prints when the last
// search request went out (the pacing alone needs 10 ms per 11 addresses),
// the wall time, the CPU time of this process, its peak memory and the
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
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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
    qint64 longestStallMs = 0;
};

Result run(int count, int block, const QUrl &server)
{
    TestSettingsLocation settings;
    QTemporaryDir documents;
    settings.setMainValue(QStringLiteral("Firmware Server URL"), server.toString());
    settings.setMainValue(QStringLiteral("IP Address Scan Text"),
                          QString(hostAddress(block, 0) + QLatin1Char('-') + hostAddress(block, count - 1)));
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
    return result;
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
    std::printf("%8s %8s %16s %10s %10s %12s %14s\n", "displays", "rows", "last request ms", "wall ms",
                "cpu s", "peak MB", "longest stall");
    int block = 40;
    for (int count : qAsConst(counts)) {
        const Result r = run(count, block++, server.baseUrl());
        std::printf("%8d %8d %16lld %10lld %10.2f %12.1f %11lld ms\n", count, r.rows, r.lastRequestMs,
                    r.wallMs, r.cpu, peakMemoryKb() / 1024.0, r.longestStallMs);
        std::fflush(stdout);
    }
    return 0;
}

// Measures the display search on loopback:
//  1. a targeted search of 1000 simulated displays: how many are found and
//     how long the search takes to finish (it ends early once all answered);
//  2. the first sending round of a targeted search of 4097 addresses, paced
//     at eleven datagrams per 10 ms: how long it takes, and the longest time
//     the event loop went without running a 1 ms timer meanwhile.
// Exits with 1 when a display is missing or the round takes 5 s or more.

#include "discovery/addresslist.h"
#include "discovery/displaysearchudp.h"

#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kDisplays = 1000;
const char *const kFirstDisplay = "127.0.60.1";
constexpr qint64 kRoundLimitMs = 5000;


bool searchFleet()
{
    SimulatorProcess sim;
    if (!sim.startGenerated(kDisplays, QLatin1String(kFirstDisplay), 60000)) {
        std::printf("simulator did not start: %s\n", qPrintable(sim.errorString()));
        return false;
    }

    DisplaySearchOptions options;
    options.localPort = 0;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    search.SetTargetAddressList(SimulatorProcess::generatedAddresses(kDisplays, QLatin1String(kFirstDisplay)));
    int found = 0;
    QObject::connect(&search, &DisplaySearchUDP::device_results, [&found] { ++found; });
    QEventLoop loop;
    QObject::connect(&search, &DisplaySearchUDP::finished, &loop, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    if (search.StartSearch(DisplaySearchUDP::SearchTargeted) != DisplaySearchUDP::Started)
        return false;
    loop.exec();
    std::printf("targeted search of %d simulated displays: %d found, finished after %lld ms\n",
                kDisplays, found, static_cast<long long>(clock.elapsed()));
    return found == kDisplays;
}

bool sendLargeRound()
{
    // Nobody listens on this port; the datagrams only have to leave.
    DisplaySearchOptions options;
    options.localPort = 0;
    options.displayPort = 45999;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QList<QHostAddress> targets;
    int errorLine = 0;
    parseAddressList(QStringLiteral("127.0.64.0 - 127.0.79.255\n127.0.80.0"), targets, errorLine);
    search.SetTargetAddressList(targets);

    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestStall = qMax(longestStall, sinceTick.restart());
    });

    int sent = 0;
    QEventLoop loop;
    QObject::connect(&search, &DisplaySearchUDP::requestsSent, &loop, [&](int datagrams) {
        sent = datagrams;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    heartbeat.start();
    const int started = search.StartSearch(DisplaySearchUDP::SearchTargeted);
    const qint64 returnedAfter = clock.elapsed();
    if (started != DisplaySearchUDP::Started)
        return false;
    loop.exec();
    const qint64 roundMs = clock.elapsed();
    std::printf("first round of %d targeted requests: %d sent in %lld ms (StartSearch returned after "
                "%lld ms, longest event-loop stall %lld ms)\n",
                int(targets.size()), sent, static_cast<long long>(roundMs),
                static_cast<long long>(returnedAfter), static_cast<long long>(longestStall));
    return sent == targets.size() && roundMs < kRoundLimitMs;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool fleetOk = searchFleet();
    const bool roundOk = sendLargeRound();
    return fleetOk && roundOk ? 0 : 1;
}

// Measures control exchanges at fleet scale on loopback: 1000 TcpClients
// started at once, each with the flags of a search (including both web
// probes), against 1000 simulated displays. Prints how many reported and
// with which status, the wall time until the last report, and the
// process's peak memory. Exits with 1 unless every exchange reported 0.
//
//   bench_control [--no-probes]
//     --no-probes     control commands only

#include "discovery/controlprotocol.h"
#include "discovery/openfilelimit.h"
#include "discovery/tcpclient.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kDisplays = 1000;
const char *const kFirstDisplay = "127.0.210.1";
// The legacy firmware read falls back to the newer one where it is refused,
// and the newer version reads end quietly where they are, so every model of
// the generated fleet completes its exchange.
constexpr int kFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE_LEGACY
                       | TCP_REQ_VERSIONS | TCP_REQ_VERIFY_IP2 | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS
                       | TCP_REQ_POWER_SAVE_READ;
constexpr int kLimitMs = 120000;


// Starts the display simulator with a generated fleet and waits for its
// ready line. Its event lines are drained and dropped rather than parsed and
// kept, so they weigh on neither the time nor the memory measured here.
bool startSimulator(QProcess &sim)
{
    sim.setProgram(QStringLiteral(VDFU_TOOLS_BIN_DIR "/vdfu-displaysim"));
    sim.setArguments({QStringLiteral("--generate"), QString::number(kDisplays), QStringLiteral("--first-address"),
                      QLatin1String(kFirstDisplay)});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    QByteArray output;
    QElapsedTimer waited;
    waited.start();
    while (!output.contains("\"event\":\"ready\"") && waited.elapsed() < 60000) {
        if (!sim.waitForReadyRead(1000) && sim.state() != QProcess::Running)
            break;
        output += sim.readAllStandardOutput();
    }
    if (!output.contains("\"event\":\"ready\"")) {
        std::printf("simulator did not start: %s\n", output.constData());
        return false;
    }
    QObject::connect(&sim, &QProcess::readyReadStandardOutput, &sim, [&sim] { sim.readAllStandardOutput(); });
    return true;
}

QByteArray peakMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return "unknown";
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed();
    }
    return "unknown";
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int flags = app.arguments().contains(QStringLiteral("--no-probes"))
                          ? kFlags & ~(TCP_REQ_VERIFY_IP2 | TCP_REQ_LOCK_STATUS)
                          : kFlags;
    std::printf("open-file limit: %ld\n", raiseOpenFileLimit());

    QProcess sim;
    if (!startSimulator(sim))
        return 1;
    std::printf("before the exchanges: peak memory %s\n", peakMemory().constData());

    QElapsedTimer clock;
    std::vector<std::unique_ptr<TcpClient>> clients;
    QMap<int, int> statusCounts;
    int reported = 0;
    QList<qint64> reportTimes;
    QEventLoop loop;
    clock.start();
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

    for (const QHostAddress &address : SimulatorProcess::generatedAddresses(kDisplays, QLatin1String(kFirstDisplay))) {
        auto client = std::make_unique<TcpClient>();
        QObject::connect(client.get(), &TcpClient::device_results, &loop, [&](const PD_TCP_REPLY &reply) {
            ++statusCounts[reply.tcpStatus];
            reportTimes.append(clock.elapsed());
            if (++reported == kDisplays)
                loop.quit();
        });
        client->SetRequestFlags(flags);
        client->Start(address, ControlProtocol::kPort, address); // the display's own web server stands in for IP address 2
        clients.push_back(std::move(client));
    }
    const qint64 startedAfter = clock.elapsed();
    limit.start(kLimitMs);
    loop.exec();
    const qint64 wallMs = clock.elapsed();

    std::printf("%d simultaneous exchanges (%s): %d reported in %lld ms (all started after %lld ms)\n",
                kDisplays,
                flags != kFlags ? "no web probes" : "with web probes",
                reported, static_cast<long long>(wallMs),
                static_cast<long long>(startedAfter));
    if (!reportTimes.isEmpty()) {
        std::printf("  reported by: half %lld ms, 90%% %lld ms, 99%% %lld ms\n",
                    static_cast<long long>(reportTimes.at(reportTimes.size() / 2)),
                    static_cast<long long>(reportTimes.at(reportTimes.size() * 9 / 10)),
                    static_cast<long long>(reportTimes.at(reportTimes.size() * 99 / 100)));
    }
    for (auto it = statusCounts.cbegin(); it != statusCounts.cend(); ++it)
        std::printf("  tcpStatus %d: %d\n", it.key(), it.value());
    std::printf("peak memory (VmHWM): %s\n", peakMemory().constData());
    clients.clear();
    sim.terminate();
    sim.waitForFinished(10000);
    return reported == kDisplays && statusCounts.value(0) == kDisplays ? 0 : 1;
}

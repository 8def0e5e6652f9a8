// Measures LAN update sessions with large firmware on loopback (CGI dialect):
//  1. curl posts the multipart upload body to one simulated display, and one
//     HttpClient session uploads the same file to another, in turn, three
//     times: the fastest upload of each, as the displays measured it;
//  2. twenty sessions at once, each sending the file to its own display:
//     wall time, outcomes and intact files.
// Prints the process's peak memory and the longest event-loop stall seen
// while sessions ran. Exits with 1 unless every session completed with
// every file intact and no request broke a display's rules.
//
//   bench_lanupdate [--megabytes 256] [--sessions 20]

#include "processfigures.h"
#include "lanupdate/httpclient.h"
#include "lanupdate/updaterequests.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <ctime>
#include <memory>
#include <vector>

namespace {

QString displayAddress(int index)
{
    return QStringLiteral("127.80.%1.%2").arg(QCoreApplication::applicationPid() % 250 + 1).arg(index + 2);
}

// Writes `megabytes` of patterned bytes a megabyte at a time; returns the MD5 (hex).
QByteArray writeFirmware(const QString &path, int megabytes, const QByteArray &head = {}, const QByteArray &tail = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QCryptographicHash md5(QCryptographicHash::Md5);
    QByteArray block(1 << 20, Qt::Uninitialized);
    file.write(head);
    for (int mb = 0; mb < megabytes; ++mb) {
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 31 + mb) & 0xff);
        md5.addData(block);
        file.write(block);
    }
    file.write(tail);
    return md5.result().toHex();
}

qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Longest gap between ticks of a 10 ms timer, beyond its interval, and the
// processor time the event loop's thread used during that gap: a long gap
// with little time used was the system's scheduler, not work in the loop.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 gap = m_clock.restart() - 10;
            const qint64 cpu = threadCpuMs();
            m_longestWork = qMax(m_longestWork, cpu - m_cpu);
            if (gap > m_longest) {
                m_longest = gap;
                m_longestCpu = cpu - m_cpu;
            }
            m_cpu = cpu;
        });
    }
    void start() { m_clock.start(); m_cpu = threadCpuMs(); m_timer.start(10); }
    void stop() { m_timer.stop(); }
    qint64 longest() const { return m_longest; }
    qint64 longestCpu() const { return m_longestCpu; }
    qint64 longestWork() const { return m_longestWork; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_cpu = 0;
    qint64 m_longest = 0;
    qint64 m_longestCpu = 0;
    qint64 m_longestWork = 0;
};

double uploadSeconds(SimulatorProcess &sim, const QString &display)
{
    if (!sim.waitForEvent(QStringLiteral("uploadComplete"), {{"display", display}}, 1000))
        return -1;
    for (const QJsonObject &event : sim.events(QStringLiteral("uploadComplete"))) {
        if (event.value(QStringLiteral("display")).toString() == display)
            return event.value(QStringLiteral("seconds")).toDouble();
    }
    return -1;
}

bool curl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("curl"), QStringList{QStringLiteral("-s"), QStringLiteral("-o"),
                                                      QStringLiteral("/dev/null"), QStringLiteral("--max-time"),
                                                      QStringLiteral("120")} + arguments);
    return process.waitForFinished(130000) && process.exitCode() == 0;
}

// Runs the event loop until `done` or `limitMs` (without spinning: the
// sessions and the simulator share the machine's cores with this loop).
void waitUntil(const std::function<bool()> &done, int limitMs)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > limitMs)
            loop.quit();
    });
    check.start(20);
    if (!done())
        loop.exec();
}

// Sends one small request and waits for its reply.
bool sendAndWait(QNetworkAccessManager &manager, const LanUpdate::Request &request)
{
    QNetworkRequest networkRequest(request.url);
    for (const auto &field : request.headers)
        networkRequest.setRawHeader(field.first, field.second);
    QNetworkReply *reply = request.method == "GET" ? manager.get(networkRequest) : manager.post(networkRequest, request.body);
    waitUntil([reply] { return reply->isFinished(); }, 10000);
    const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError;
    delete reply;
    return ok;
}

// Brings a display into update mode, then curl posts the prepared M1 body
// with the D1 headers, streamed from the file.
bool curlUpload(const QString &address, const QString &bodyFile)
{
    using namespace LanUpdate;
    QNetworkAccessManager manager;
    auto stamp = [] { return timeStamp(QTime::currentTime()); };
    if (!sendAndWait(manager, standbyCommand(Dialect::Cgi, address, stamp()))
        || !sendAndWait(manager, fileDeleteCommand(address, stamp()))
        || !sendAndWait(manager, uploadStateQuery(Dialect::Cgi, address, stamp())))
        return false;
    QStringList args;
    for (const auto &field : headers(HeaderSet::D1, address, QFileInfo(bodyFile).size()))
        args << QStringLiteral("-H") << QString::fromLatin1(field.first + ": " + field.second);
    args << QStringLiteral("-H") << QStringLiteral("User-Agent:") << QStringLiteral("-H") << QStringLiteral("Expect:");
    return curl(args + QStringList{"-X", "POST", "-T", bodyFile,
                                   "http://" + address + "/cgi-bin/cgictrl?CM=00t=" + QString::fromLatin1(stamp())});
}

bool runSessions(std::vector<std::unique_ptr<HttpClient>> &clients, int first, const QString &firmware, int limitMs)
{
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i] = std::make_unique<HttpClient>();
        clients[i]->setup(first + int(i), displayAddress(first + int(i)), {firmware}, {true}, 0, 3, 1);
        clients[i]->start();
    }
    auto running = [&] {
        for (const auto &client : clients) {
            if (client->status() == 2)
                return true;
        }
        return false;
    };
    waitUntil([&] { return !running(); }, limitMs);
    return !running();
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}); // session log lines
    const QStringList args = app.arguments();
    const int megabytes = args.contains(QStringLiteral("--megabytes"))
        ? args.value(args.indexOf(QStringLiteral("--megabytes")) + 1).toInt() : 256;
    const int sessions = args.contains(QStringLiteral("--sessions"))
        ? args.value(args.indexOf(QStringLiteral("--sessions")) + 1).toInt() : 20;

    QTemporaryDir dir;
    const QString firmware = dir.filePath(QStringLiteral("fw.pkg"));
    const QString body = dir.filePath(QStringLiteral("body.bin"));
    const QByteArray md5 = writeFirmware(firmware, megabytes);
    writeFirmware(body, megabytes, LanUpdate::multipartHead(LanUpdate::Multipart::M1, firmware),
                  LanUpdate::multipartTail());
    std::printf("firmware file: %d MB, MD5 %s\n", megabytes, md5.constData());

    QJsonArray fleet;
    for (int i = 0; i < sessions + 6; ++i)
        fleet.append(QJsonObject{{"address", displayAddress(i)}, {"seriesCode", 3}, {"updateTimeScale", 0.01}});
    SimulatorProcess sim;
    if (!sim.start(fleet)) {
        std::printf("simulator did not start: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    const qint64 idleKb = peakMemoryKb();

    // 1. curl and one session in turn, three rounds (the machine may be
    //    shared): the fastest upload of each.
    constexpr int kRounds = 3;
    double curlSeconds = 1e9;
    double sessionSeconds = 1e9;
    bool singleDone = true;
    // The stall meter runs only while sessions do: curl and the waits for
    // the simulator's figures block the loop by design.
    StallMeter stall;
    for (int round = 0; round < kRounds; ++round) {
        if (curlUpload(displayAddress(2 * round), body))
            curlSeconds = qMin(curlSeconds, uploadSeconds(sim, displayAddress(2 * round)));
        std::vector<std::unique_ptr<HttpClient>> single(1);
        stall.start();
        singleDone = runSessions(single, 2 * round + 1, firmware, 180000) && single[0]->status() == 3 && singleDone;
        stall.stop();
        sessionSeconds = qMin(sessionSeconds, uploadSeconds(sim, displayAddress(2 * round + 1)));
    }
    const double bytes = double(megabytes) * (1 << 20);
    std::printf("one upload, curl:     %6.2f s  %7.1f MB/s (fastest of %d)\n", curlSeconds,
                bytes / 1048576 / curlSeconds, kRounds);
    std::printf("one upload, session:  %6.2f s  %7.1f MB/s (fastest of %d; %.2f of curl)%s\n", sessionSeconds,
                bytes / 1048576 / sessionSeconds, kRounds, curlSeconds / sessionSeconds,
                singleDone ? "" : "  (not completed)");

    // 2. Twenty sessions at once.
    std::vector<std::unique_ptr<HttpClient>> clients(static_cast<size_t>(sessions));
    QElapsedTimer wall;
    wall.start();
    stall.start();
    const bool allEnded = runSessions(clients, 6, firmware, 300000);
    const qint64 wallMs = wall.elapsed();
    stall.stop();
    int complete = 0;
    int intact = 0;
    for (int i = 0; i < sessions; ++i) {
        complete += clients[size_t(i)]->status() == 3;
        intact += sim.waitForEvent(QStringLiteral("uploadComplete"),
                                   {{"display", displayAddress(i + 6)}, {"md5", QString::fromLatin1(md5)}}, 0);
    }
    std::printf("%d sessions at once:  %d complete, %d files intact, %.1f s for all (%.0f MB/s together)%s\n",
                sessions, complete, intact, wallMs / 1000.0, bytes * sessions / 1048576 / (wallMs / 1000.0),
                allEnded ? "" : "  (time limit)");
    int broken = 0;
    for (const QJsonObject &event : sim.events(QStringLiteral("updateRequest")))
        broken += !event.value(QStringLiteral("problems")).toArray().isEmpty();
    std::printf("requests that broke a display's rules: %d\n", broken);
    std::printf("peak resident memory: %lld MB (%lld MB before the sessions)\n", qint64(peakMemoryKb()) / 1024,
                idleKb / 1024);
    std::printf("longest event-loop stall: %lld ms (%lld ms of it working); longest work between two ticks: %lld ms\n",
                stall.longest(), stall.longestCpu(), stall.longestWork());
    return singleDone && complete == sessions && intact == sessions && broken == 0 ? 0 : 1;
}

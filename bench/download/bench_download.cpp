// Measures DownloadExtractFirmware on one large release served by the local
// firmware server on loopback: a zip package of a few large entries is
// downloaded with its digest checked, extracted and each entry verified.
// The same work is then done by curl, md5sum and unzip (and md5sum of the
// entries) in the same run. Prints both throughputs, the peak memory of this
// process and the longest stall of its event loop during the download and
// during verification and extraction.
//
//     bench_download [package MB] [entries] [runs]     (default: 256 4 3)
#include "processfigures.h"
#include "download/downloadextractfirmware.h"
#include "firmwareserverprocess.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <quazip.h>
#include <quazipfile.h>

#include <cstdio>

namespace {

constexpr qint64 kBlock = 1 << 20;

QString md5Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash md5(QCryptographicHash::Md5);
    file.open(QIODevice::ReadOnly);
    md5.addData(&file);
    return QString::fromLatin1(md5.result().toHex());
}

// Writes a package of `entries` files of random bytes, block by block, and
// returns the release that lists them.
FirmwareRelease makePackage(const QString &path, qint64 totalBytes, int entries)
{
    FirmwareRelease release;
    QuaZip zip(path);
    zip.open(QuaZip::mdCreate);
    QByteArray block(kBlock, Qt::Uninitialized);
    for (int e = 0; e < entries; ++e) {
        UnpackedFileInfo info;
        info.fileName = QStringLiteral("PART%1.BIN").arg(e);
        info.fileSize = totalBytes / entries;
        QuaZipFile entry(&zip);
        entry.open(QIODevice::WriteOnly, QuaZipNewInfo(info.fileName), nullptr, 0, Z_DEFLATED, 1);
        QCryptographicHash md5(QCryptographicHash::Md5);
        for (qint64 done = 0; done < info.fileSize; done += kBlock) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), int(kBlock / 4));
            const QByteArray part = block.left(int(qMin(kBlock, info.fileSize - done)));
            entry.write(part);
            md5.addData(part);
        }
        entry.close();
        info.fileChecksum = QString::fromLatin1(md5.result().toHex());
        release.unpackedFileInfo.append(info);
    }
    zip.close();
    release.fileSize = QFileInfo(path).size();
    release.fileChecksum = md5Of(path);
    return release;
}

struct Stalls
{
    qint64 download = 0;
    qint64 files = 0; // verification and extraction, after the last byte arrived
};

// Runs one job to its final status; returns the wall time in ms or -1.
qint64 runJob(const FirmwareRelease &release, const QString &folder, Stalls *stalls)
{
    DownloadExtractFirmware job(0, release, folder);
    bool downloaded = false;
    QObject::connect(&job, &DownloadExtractFirmware::progressChanged, &job,
                     [&](int, int value, int total, const QString &) { downloaded = total > 0 && value == total; });
    QSignalSpy status(&job, &DownloadExtractFirmware::statusChanged);
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &job, [&] {
        qint64 &longest = downloaded ? stalls->files : stalls->download;
        longest = qMax(longest, sinceTick.elapsed());
        sinceTick.restart();
    });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    job.start();
    if (!status.wait(300000) || status.first().at(1).toInt() != 0) {
        std::fprintf(stderr, "job failed: %d\n", status.isEmpty() ? -1 : status.first().at(1).toInt());
        return -1;
    }
    return clock.elapsed();
}

bool runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// curl, md5sum of the package, unzip, md5sum of the entries; wall time in ms.
qint64 runTools(const QString &url, const QString &folder, const FirmwareRelease &release)
{
    QElapsedTimer clock;
    clock.start();
    const QString package = folder + QStringLiteral("/package.zip");
    QStringList entries;
    for (const UnpackedFileInfo &info : release.unpackedFileInfo)
        entries.append(folder + QLatin1Char('/') + info.fileName);
    const bool ok = runTool(QStringLiteral("curl"), {QStringLiteral("-sfo"), package, url})
        && runTool(QStringLiteral("md5sum"), {package})
        && runTool(QStringLiteral("unzip"), {QStringLiteral("-qo"), package, QStringLiteral("-d"), folder})
        && runTool(QStringLiteral("md5sum"), entries);
    const qint64 elapsed = clock.elapsed();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return ok ? elapsed : -1;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 megabytes = args.value(1, QStringLiteral("256")).toLongLong();
    const int entries = args.value(2, QStringLiteral("4")).toInt();
    const int runs = args.value(3, QStringLiteral("3")).toInt();

    QTemporaryDir root;
    const QString packages = root.filePath(QStringLiteral("firmwareupdates/packages"));
    QDir().mkpath(packages);
    FirmwareRelease release = makePackage(packages + QStringLiteral("/big.zip"), megabytes << 20, entries);
    FirmwareServerProcess server;
    if (!server.start(root.path())) {
        std::fprintf(stderr, "firmware server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString url = server.urlFor(QStringLiteral("firmwareupdates/packages/big.zip")).toString();
    release.downloadLoc = url;
    std::printf("package %.1f MB, %d entries, served on loopback\n", release.fileSize / 1048576.0, entries);

    const QString folder = root.filePath(QStringLiteral("Firmware"));
    const QString toolFolder = root.filePath(QStringLiteral("tools"));
    for (int run = 1; run <= runs; ++run) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QDir().mkpath(toolFolder);
        Stalls stalls;
        const qint64 jobMs = runJob(release, folder, &stalls);
        const qint64 toolMs = runTools(url, toolFolder, release);
        if (jobMs <= 0 || toolMs <= 0)
            return 1;
        const double mb = release.fileSize / 1048576.0;
        std::printf("run %d: job %lld ms (%.0f MB/s), curl+md5sum+unzip+md5sum %lld ms (%.0f MB/s), ratio %.2f; "
                    "longest stall: download %lld ms, verify and extract %lld ms\n",
                    run, jobMs, mb * 1000 / jobMs, toolMs, mb * 1000 / toolMs, double(toolMs) / jobMs,
                    stalls.download, stalls.files);
    }
    std::printf("peak memory of this process: %.1f MB\n", peakMemoryKb() / 1024.0);
    return 0;
}

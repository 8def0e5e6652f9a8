// Copies and verifies a release of --megabytes (default 1024) in --files
// (default 4) files onto a folder that stands in for a USB drive, through the
// USB drive dialog, and compares the throughput with cp followed by md5sum
// on the same files in the same run; and, since the dialog flushes every
// file to the device and reads it back from there, with cp, sync, md5sum,
// and with cp, sync, md5sum of the copies dropped from the system's cache. While the dialog copies, a 5 ms
// timer measures the longest time its event loop was kept from running.
//
//   bench_usbdrive [--megabytes N] [--files N] [--folder DIR] [--rounds N]
#include "resources/resourceinit.h"
#include "usbdrive/createusbdrivedialog.h"
#include "usbdrive/usbdrivetexts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>

namespace {

// Writes `count` files of `bytes` each and returns their records.
QList<UnpackedFileInfo> makeRelease(const QString &folder, int count, qint64 bytes)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(42);
    random.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
    QList<UnpackedFileInfo> files;
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/FW%2.BIN").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file.fileName()));
        QCryptographicHash md5(QCryptographicHash::Md5);
        for (qint64 written = 0; written < bytes; written += block.size()) {
            block[0] = char(i);
            block[1] = char(written >> 20);
            const QByteArray piece = block.left(int(qMin<qint64>(block.size(), bytes - written)));
            file.write(piece);
            md5.addData(piece);
        }
        files.append({QFileInfo(file).fileName(), int(bytes), QString::fromLatin1(md5.result().toHex())});
    }
    return files;
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return false;
    }
    process.readAllStandardOutput();
    return true;
}

// Drops a file's pages from the system's cache, so that it is read from the device.
void dropFromCache(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
}

// Seconds for cp of every file into `target`, then md5sum of the copies;
// with `sync`, the copies are flushed first; with `fromDevice`, md5sum reads
// them from the device as the dialog's verification does.
double copyWithTools(const QStringList &sources, const QString &target, bool sync, bool fromDevice = false)
{
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("cp"), QStringList(sources) << target);
    if (sync)
        run(QStringLiteral("sync"), {});
    QStringList copies;
    for (const QString &source : sources)
        copies << target + QLatin1Char('/') + QFileInfo(source).fileName();
    if (fromDevice) {
        for (const QString &copy : qAsConst(copies))
            dropFromCache(copy);
    }
    run(QStringLiteral("md5sum"), copies);
    return clock.nsecsElapsed() / 1e9;
}

// Seconds for the dialog's copy and verification; the longest stall in `stallMs`.
double copyWithDialog(const FirmwareRelease &release, const QString &source, const QString &drive, double *stallMs)
{
    QDir(drive).removeRecursively();
    QDir().mkpath(drive);
    auto drives = std::make_unique<FolderDriveSource>();
    drives->add({{drive, QStringLiteral("BENCH"), QStringLiteral("FAT32"), 0, true, QString()}, -1});
    CreateUSBDriveDialog dialog(nullptr, release, source, std::move(drives));
    dialog.show();
    QCoreApplication::processEvents();

    QElapsedTimer sinceTick;
    qint64 longestNs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestNs = qMax(longestNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    dialog.findChild<QPushButton *>(QStringLiteral("copy_files_pushButton"))->click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    longestNs = qMax(longestNs, sinceTick.nsecsElapsed());
    ticker.stop();
    const QString status = dialog.findChild<QLabel *>(QStringLiteral("status_label"))->text();
    if (status != QLatin1String("Copied firmware file(s) to USB drive."))
        qFatal("copy failed: %s", qPrintable(status));
    *stallMs = longestNs / 1e6;
    return seconds;
}

}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initVdfuResources();
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("megabytes"), QStringLiteral("Size of the release."), QStringLiteral("N"),
                      QStringLiteral("1024")});
    parser.addOption({QStringLiteral("files"), QStringLiteral("Number of files."), QStringLiteral("N"),
                      QStringLiteral("4")});
    parser.addOption({QStringLiteral("folder"), QStringLiteral("Where the release and the drive go."),
                      QStringLiteral("DIR"), QDir::tempPath()});
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("Runs of each; the best counts."), QStringLiteral("N"),
                      QStringLiteral("2")});
    parser.process(app);
    const int files = qMax(1, parser.value(QStringLiteral("files")).toInt());
    const qint64 megabytes = qMax(1, parser.value(QStringLiteral("megabytes")).toInt());
    const qint64 bytesPerFile = megabytes * 1048576 / files;
    const double totalMB = double(bytesPerFile) * files / 1048576;

    QTemporaryDir work(parser.value(QStringLiteral("folder")) + QStringLiteral("/bench_usbdrive-XXXXXX"));
    const QString source = work.filePath(QStringLiteral("source"));
    QDir().mkpath(source);
    FirmwareRelease release;
    release.updateViaUSB = UsbDriveTexts::Fat32;
    release.unpackedFileInfo = makeRelease(source, files, bytesPerFile);
    QStringList sources;
    for (const UnpackedFileInfo &file : qAsConst(release.unpackedFileInfo))
        sources << source + QLatin1Char('/') + file.fileName;

    double tools = 1e9, toolsSync = 1e9, toolsDevice = 1e9, dialog = 1e9, stall = 0;
    for (int round = 0; round < qMax(1, parser.value(QStringLiteral("rounds")).toInt()); ++round) {
        tools = qMin(tools, copyWithTools(sources, work.filePath(QStringLiteral("cp")), false));
        toolsSync = qMin(toolsSync, copyWithTools(sources, work.filePath(QStringLiteral("cp")), true));
        toolsDevice = qMin(toolsDevice, copyWithTools(sources, work.filePath(QStringLiteral("cp")), true, true));
        double roundStall = 0;
        dialog = qMin(dialog, copyWithDialog(release, source, work.filePath(QStringLiteral("drive")), &roundStall));
        stall = qMax(stall, roundStall);
    }
    std::printf("release: %.0f MB in %d files, folder %s\n", totalMB, files, qPrintable(work.path()));
    std::printf("cp + md5sum:                   %6.2f s  %7.1f MB/s\n", tools, totalMB / tools);
    std::printf("cp + sync + md5sum:            %6.2f s  %7.1f MB/s\n", toolsSync, totalMB / toolsSync);
    std::printf("cp + sync + md5sum from device: %5.2f s  %7.1f MB/s\n", toolsDevice, totalMB / toolsDevice);
    std::printf("dialog copy + verify:          %6.2f s  %7.1f MB/s  (%.2f, %.2f, %.2f of the above)\n",
                dialog, totalMB / dialog, tools / dialog, toolsSync / dialog, toolsDevice / dialog);
    std::printf("longest event loop stall:      %.1f ms\n", stall);
    return 0;
}

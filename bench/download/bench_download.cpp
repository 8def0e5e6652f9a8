// Measures DownloadExtractFirmware on one large release served by the local
// firmware server on loopback: a zip package of a few large entries is
// downloaded with its digest checked, extracted and each entry verified.
// The same work is then done by curl, md5sum and unzip (and md5sum of the
// entries) in the same run. Prints both throughputs, the peak memory of this
// process and the longest stall of its event loop during the download and
// during verification and extraction.
//
// Then, with the main window and several large releases already in its
// firmware folder (digests not yet known: each file is touched first), runs
// each command that checks the folder and prints the longest stall of the
// event loop from the command until it has done its work: the LAN update
// (up to the update cautions, declined), the same after a download of one
// more small release, the USB drive for the selected display and for a
// model (up to the drive dialog), the offline download dialog (until it
// shows what is there) and the file hash info.
//
//     bench_download [package MB] [entries] [runs] [cached releases] [cached MB]   (default: 256 4 3 4 256)
#include "processfigures.h"
#include "app/pdfirmuptool.h"
#include "app/timing.h"
#include "download/downloadextractfirmware.h"
#include "download/downloadfirmwareforofflinedialog.h"
#include "displaylist/mytableview.h"
#include "firmwareserverprocess.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testsettings.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <quazip.h>
#include <quazipfile.h>

#include <cstdio>
#include <functional>

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

// The release of model "BQ-<key>": the package <key>.zip on the firmware
// server, which yields one file.
QJsonObject benchRelease(const QString &key, const QString &fileName, qint64 size, const QByteArray &md5)
{
    return {{"version", "R2.000"}, {"seriesName", QString(QStringLiteral("SERIES_") + key)},
            {"downloadLoc", QStringLiteral("%1/firmwareupdates/packages/%2.zip").arg(FirmwareServerProcess::kDemoOrigin, key)},
            {"updateViaHTTP", 1}, {"updateViaUSB", 3}, {"updateViaHTTPDurationSecs", 60}, {"numPACComponents", 1},
            {"models", QJsonArray{QString(QStringLiteral("BQ-") + key)}},
            {"unpackedFileInfo",
             QJsonArray{QJsonObject{{"fileName", fileName}, {"fileSize", size}, {"fileChecksum", QString::fromLatin1(md5)}}}}};
}

// Writes `count` files of random bytes into `folder` and returns the
// releases that list them, one file each (their packages are never fetched).
QJsonArray writeCachedReleases(const QString &folder, int count, qint64 bytes)
{
    QJsonArray releases;
    QByteArray block(kBlock, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("BIG%1.BIN").arg(i);
        QFile file(folder + QLatin1Char('/') + name);
        file.open(QIODevice::WriteOnly);
        QCryptographicHash md5(QCryptographicHash::Md5);
        for (qint64 done = 0; done < bytes; done += kBlock) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), int(kBlock / 4));
            const QByteArray part = block.left(int(qMin(kBlock, bytes - done)));
            file.write(part);
            md5.addData(part);
        }
        releases.append(benchRelease(QStringLiteral("10%1").arg(i), name, bytes, md5.result().toHex()));
    }
    return releases;
}

// A checked row for the LAN update of `model`, at an address of its own.
DISPLAY_LIST_ENTRY benchRow(const QString &model, int index)
{
    DISPLAY_LIST_ENTRY e = lanUpdatableRow(model, QStringLiteral("BQ%1").arg(index));
    e.ipAddress = QHostAddress(QStringLiteral("127.94.0.%1").arg(index + 1));
    e.seriesId = 3;
    e.numPACComponents = 1;
    e.updateDurationSecs = 60;
    e.latestVersion = QStringLiteral("R2.000");
    return e;
}

struct CommandFigures
{
    qint64 stallMs = 0;
    qint64 wallMs = 0;
    bool done = false;
};

// Runs `command` from the event loop and closes each modal dialog it opens
// once `ready` holds for it; returns the longest gap between ticks of a 5 ms
// timer until `finished` holds (given the dialogs closed so far).
CommandFigures measure(const std::function<void()> &command, const std::function<bool(QDialog *)> &ready,
                       const std::function<bool(int)> &finished)
{
    CommandFigures figures;
    int closed = 0;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.stallMs = qMax(figures.stallMs, sinceTick.restart());
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && ready(dialog)) {
            ++closed;
            dialog->reject();
        }
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        figures.done = finished(closed);
        if (figures.done || clock.elapsed() > 300000)
            loop.quit();
    });
    clock.start();
    sinceTick.start();
    ticker.start();
    poll.start(5);
    QTimer::singleShot(0, command);
    loop.exec();
    figures.wallMs = clock.elapsed();
    return figures;
}

// The commands of the main window that read the firmware folder, each with
// `count` large releases cached. Returns false when one did not finish.
bool runCommands(FirmwareServerProcess &server, const QString &root, int count, qint64 megabytes)
{
    TestSettingsLocation settings;
    settings.setMainValue(QStringLiteral("Firmware Server URL"), server.baseUrl().toString());
    QTemporaryDir documents;
    const QString folder = documents.path()
        + QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");
    QDir().mkpath(folder);
    QJsonArray releases = writeCachedReleases(folder, count, megabytes << 20);
    // One more, small and not yet downloaded, for the LAN update that downloads first.
    {
        QuaZip zip(root + QStringLiteral("/firmwareupdates/packages/SMALL.zip"));
        zip.open(QuaZip::mdCreate);
        QuaZipFile entry(&zip);
        entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("SMALL.BIN")));
        entry.write(QByteArray(4096, 's'));
    }
    releases.append(benchRelease(QStringLiteral("SMALL"), QStringLiteral("SMALL.BIN"), 4096,
                                 QCryptographicHash::hash(QByteArray(4096, 's'), QCryptographicHash::Md5).toHex()));
    QFile database(root + QStringLiteral("/firmwareupdates/pd_firmware_releases.json"));
    database.open(QIODevice::WriteOnly);
    database.write(QJsonDocument(QJsonObject{{"info", QJsonObject{{"databaseVersion", 1}}}, {"firmware", releases}}).toJson());
    database.close();

    PDFirmUpTool::Environment environment; // no LAN interface: never a broadcast
    environment.documentsFolder = documents.path();
    PDFirmUpTool window(environment);
    PDFirmUpToolTestAccess access(window);
    // The database, then the first search, which empties the list.
    QElapsedTimer startup;
    startup.start();
    while ((!access.databaseLoaded() || startup.elapsed() < 1000 || access.searching()) && startup.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!access.databaseLoaded()) {
        std::fprintf(stderr, "the window did not load the database\n");
        return false;
    }
    for (int i = 0; i < count; ++i)
        access.appendRow(benchRow(QStringLiteral("BQ-10%1").arg(i), i));
    auto *table = window.findChild<MyTableView *>(QStringLiteral("display_list_tableView"));
    table->selectionModel()->setCurrentIndex(
        qobject_cast<QAbstractProxyModel *>(table->model())->mapFromSource(access.model()->index(0, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    access.updateUi();
    FirmwareRelease picked;
    access.releaseDb().findForDisplay(QStringLiteral("BQ-100"), QString(), picked);
    auto *info = window.findChild<QTextBrowser *>(QStringLiteral("info_textBrowser"));

    const auto any = [](QDialog *) { return true; };
    // The offline dialog has read the folder once every release shows as downloaded.
    const auto folderRead = [](QDialog *dialog) {
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("listWidget"));
        return list && list->count() > 0 && !(list->item(0)->flags() & Qt::ItemIsEnabled);
    };
    const auto oneDialog = [](int closed) { return closed >= 1; };
    const auto invoke = [&window](const char *slot) { return [&window, slot] { QMetaObject::invokeMethod(&window, slot); }; };
    struct Command
    {
        const char *name;
        std::function<void()> run;
        std::function<bool(QDialog *)> ready;
        std::function<bool(int)> finished;
    };
    const QList<Command> commands{
        {"Update firmware via LAN, all cached (to the cautions)", invoke("on_download_pushButton_clicked"), any, oneDialog},
        {"Update firmware via LAN, one small download first", [&] {
             access.appendRow(benchRow(QStringLiteral("BQ-SMALL"), count));
             QMetaObject::invokeMethod(&window, "on_download_pushButton_clicked");
         }, any, [&](int closed) { return closed >= 1 && access.list().last().downloadStatus == DownloadState::Downloaded; }},
        {"USB drive for the selected display (to the drive dialog)", invoke("on_create_usb_drive_pushButton_clicked"), any, oneDialog},
        {"USB drive for a model (to the drive dialog)", [&] { access.prepareUsbDriveForModel(picked); }, any, oneDialog},
        {"Offline download dialog (until it shows the folder)", invoke("on_actionDownload_firmware_for_offline_use_triggered"), folderRead, oneDialog},
        {"Generate file hash info (until shown)", invoke("on_actionCreat_file_hash_triggered"), any,
         [&](int) { return info->toPlainText().count(QStringLiteral("fileChecksum")) == count + 1; }},
    };
    std::printf("commands with %d releases of %lld MB in the firmware folder, digests not yet known:\n", count, megabytes);
    bool allDone = true;
    for (const Command &command : commands) {
        // A new modification time: every digest must be read again.
        for (int i = 0; i < count; ++i) {
            QFile file(folder + QStringLiteral("/BIG%1.BIN").arg(i));
            file.open(QIODevice::ReadWrite);
            file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
        }
        const CommandFigures figures = measure(command.run, command.ready, command.finished);
        allDone = allDone && figures.done;
        std::printf("  %-58s longest stall %4lld ms, done after %5lld ms%s\n", command.name, figures.stallMs,
                    figures.wallMs, figures.done ? "" : " (did not finish)");
    }
    return allDone;
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initVdfuResources();
    const QStringList args = app.arguments();
    const qint64 megabytes = args.value(1, QStringLiteral("256")).toLongLong();
    const int entries = args.value(2, QStringLiteral("4")).toInt();
    const int runs = args.value(3, QStringLiteral("3")).toInt();
    const int cachedReleases = args.value(4, QStringLiteral("4")).toInt();
    const qint64 cachedMegabytes = args.value(5, QStringLiteral("256")).toLongLong();

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

    // The window's own log and its search stay out of the figures' way.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Timing::setScale(0.05);
    QDir(folder).removeRecursively();
    QDir(toolFolder).removeRecursively();
    return runCommands(server, root.path(), cachedReleases, cachedMegabytes) ? 0 : 1;
}

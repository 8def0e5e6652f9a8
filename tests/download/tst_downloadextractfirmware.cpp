// One release brought into the firmware folder from the local firmware
// server: what is kept, downloaded, extracted and verified, the one final
// status of each run (success exactly when the release then counts as
// present), and release entries whose names, sizes or archives are hostile.
#include "catalogue/firmwarereleasedb.h"
#include "download/downloadextractfirmware.h"
#include "download/downloadstatus.h"
#include "download/filedownloader.h"
#include "download/firmwarefiles.h"
#include "download/offlinedownloadbatch.h"
#include "firmwareserverprocess.h"
#include "lanupdate/updatequeue.h"
#include "testfiles.h"
#include "tinyhttpserver.h"

#include <QBuffer>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <quazip.h>
#include <quazipfile.h>

#include <functional>

using Edit = std::function<void(FirmwareRelease &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

const QString kPackages = QStringLiteral("/firmwareupdates/packages/");

QString demoPackage(const QString &name)
{
    return FirmwareServerProcess::demoCatalogueRoot() + kPackages + name;
}

// Writes the entries of a demo package into `folder`, as an earlier run would have.
bool unpackDemo(const QString &package, const QString &folder)
{
    QuaZip zip(demoPackage(package));
    bool ok = zip.open(QuaZip::mdUnzip);
    for (bool more = zip.goToFirstFile(); ok && more; more = zip.goToNextFile()) {
        QuaZipFile entry(&zip);
        ok = entry.open(QIODevice::ReadOnly) && writeFile(folder + '/' + zip.getCurrentFileName(), entry.readAll());
    }
    return ok;
}

// A zip archive holding `entries` (name and content).
QByteArray zipOf(const QList<QPair<QString, QByteArray>> &entries)
{
    QBuffer buffer;
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    for (const auto &entry : entries) {
        QuaZipFile file(&zip);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first));
        file.write(entry.second);
    }
    zip.close();
    return buffer.data();
}

// Rewrites the first byte of `path` keeping its size and modification time,
// in place or (renamed) as a new file put over it.
bool alterKeepingTime(const QString &path, bool renamed)
{
    QByteArray data = readFile(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    data[0] = char(data.at(0) ^ 1);
    const QString written = renamed ? path + ".new" : path;
    QFile file(written);
    return file.open(QIODevice::ReadWrite) && file.write(data) == data.size()
        && file.setFileTime(modified, QFileDevice::FileModificationTime) && (file.close(), true)
        && (!renamed || std::rename(qPrintable(written), qPrintable(path)) == 0);
}

Edit setEntry(const std::function<void(UnpackedFileInfo &)> &change)
{
    return [change](FirmwareRelease &release) { change(release.unpackedFileInfo.first()); };
}
Edit entryName(const QString &name) { return setEntry([name](UnpackedFileInfo &f) { f.fileName = name; }); }
Edit packageName(const QString &name)
{
    return [name](FirmwareRelease &r) { r.downloadLoc = r.downloadLoc.left(r.downloadLoc.lastIndexOf('/') + 1) + name; };
}

}

class tst_DownloadExtractFirmware : public QObject
{
    Q_OBJECT

    FirmwareServerProcess m_server;
    TinyHttpServer m_tiny;
    FirmwareReleaseDb m_db;                    // as served
    QMap<QString, FirmwareRelease> m_releases; // as served, by package name
    std::unique_ptr<QTemporaryDir> m_root;
    QString folder() const { return m_root->filePath(QStringLiteral("Firmware")); }
    QStringList files() const { return QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
    // A release of the tiny server whose package is `path`, listing K5RMAIN.BIN.
    Edit tinyPackage(const QString &path)
    {
        return [this, path](FirmwareRelease &r) { r.downloadLoc = m_tiny.url(path).toString(); r.fileChecksum.clear(); };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.startDemoCatalogue({"corrupt:" + kPackages + "tm_981_210.bin", "missingEntry:" + kPackages + "k4_04200.zip",
                                             "stallBody:" + kPackages + "qz_05300.zip"}));
        FileDownloader database(0, false, m_server.databaseUrl(), QString(), {});
        QSignalSpy done(&database, &FileDownloader::statusChanged);
        database.start();
        QVERIFY(done.wait(10000));
        QCOMPARE(m_db.parse(database.data()), 0);
        for (int i = 0; i < m_db.count(); ++i) {
            FirmwareRelease release;
            m_db.recordAt(i, release);
            m_releases.insert(release.downloadLoc.section('/', -1), release);
        }
        QVERIFY(m_tiny.listen());
        const QByteArray zip = readFile(demoPackage(QStringLiteral("k5r_105.zip")));
        m_tiny.setRoute("/truncated.zip", {zip.left(zip.size() / 2)});
        m_tiny.setRoute("/empty.zip", {QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')});
        m_tiny.setRoute("/" + QByteArray(251, 'P') + ".zip", {zipOf({{QString(251, 'L') + ".BIN", "long"}})});
        m_tiny.setRoute("/cb%20321.bin?x=1", {readFile(demoPackage(QStringLiteral("cb_321_120.bin")))});
    }
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_root->path()).mkdir(QStringLiteral("Firmware")));
        QVERIFY(writeFile(m_root->filePath(QStringLiteral("evil.bin")), "outside"));
        m_server.clearEvents();
    }

    void run_data()
    {
        QTest::addColumn<QString>("package");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("before"); // files (changed in place or renamed over, time kept), package, stale or obstacle in the folder
        QTest::addColumn<QString>("action"); // cancel once the download stalls, cancel or delete at once
        QTest::addColumn<int>("expected");   // -1: no status
        QTest::addColumn<bool>("fetched");
        QTest::addColumn<QStringList>("left"); // {"?"}: not checked
        const Edit none = [](FirmwareRelease &) {};
        const QStringList k5r{"K5RMAIN.BIN"}, k5u{"K5UFPGA.BIN", "K5UMAIN.BIN", "K5UNET.BIN"}, nothing, racy{"?"};
        QTest::newRow("zip downloaded and extracted") << "k5u_310.zip" << none << "" << "" << 0 << true << k5u;
        QTest::newRow("single file kept as downloaded") << "cb_321_120.bin" << none << "" << "" << 0 << true << QStringList{"cb_321_120.bin"};
        QTest::newRow("already present") << "k5r_105.zip" << none << "files" << "" << 0 << false << k5r;
        QTest::newRow("package kept") << "cb_321_120.bin" << none << "package" << "" << 0 << false << QStringList{"cb_321_120.bin"};
        QTest::newRow("extracted again without download") << "k5u_310.zip" << none << "package" << "" << 0 << false << k5u;
        QTest::newRow("stale package downloaded afresh") << "k5r_105.zip" << none << "stale" << "" << 0 << true << k5r;
        QTest::newRow("wrong digest after extraction") << "k5r_105.zip" << setEntry([](UnpackedFileInfo &f) { f.fileChecksum.replace(0, 1, f.fileChecksum.startsWith('0') ? "1" : "0"); }) << "" << "" << 10000 << true << k5r;
        QTest::newRow("files changed, time kept") << "k5r_105.zip" << none << "files changed" << "" << 0 << true << k5r;
        QTest::newRow("file renamed over, time kept") << "k5r_105.zip" << none << "files renamed" << "" << 0 << true << k5r;
        QTest::newRow("digest in capitals") << "k5r_105.zip" << setEntry([](UnpackedFileInfo &f) { f.fileChecksum = f.fileChecksum.toUpper(); }) << "files" << "" << 0 << false << k5r;
        QTest::newRow("package digest in capitals") << "cb_321_120.bin" << Edit([](FirmwareRelease &r) { r.fileChecksum = r.fileChecksum.toUpper(); }) << "" << "" << 0 << true << QStringList{"cb_321_120.bin"};
        QTest::newRow("entry without digest") << "k5r_105.zip" << setEntry([](UnpackedFileInfo &f) { f.fileChecksum.clear(); }) << "" << "" << 0 << true << k5r;
        QTest::newRow("entry short of its size") << "k5r_105.zip" << setEntry([](UnpackedFileInfo &f) { ++f.fileSize; }) << "" << "" << 10005 << true << k5r;
        QTest::newRow("package not of its size") << "cb_321_120.bin" << Edit([](FirmwareRelease &r) { ++r.fileSize; }) << "" << "" << 10005 << true << QStringList{"cb_321_120.bin"};
        QTest::newRow("kept package not of its size") << "cb_321_120.bin" << Edit([](FirmwareRelease &r) { ++r.fileSize; }) << "package" << "" << 10005 << false << QStringList{"cb_321_120.bin"};
        const QString longName = QString(251, 'L') + ".BIN";
        QTest::newRow("names of 255 bytes") << "k5r_105.zip" << Edit([=](FirmwareRelease &r) { tinyPackage("/" + QString(251, 'P') + ".zip")(r); r.unpackedFileInfo = {{longName, 4, QString::fromLatin1(QCryptographicHash::hash("long", QCryptographicHash::Md5).toHex())}}; }) << "" << "" << 0 << false << QStringList{longName};
        QTest::newRow("URL with query, fragment and %20") << "cb_321_120.bin" << Edit([this](FirmwareRelease &r) { r.downloadLoc = m_tiny.url("/cb%20321.bin?x=1#part").toString(); }) << "" << "" << 0 << false << QStringList{"cb 321.bin"};
        QTest::newRow("package named with %2F") << "cb_321_120.bin" << packageName("a%2Fevil.bin") << "" << "" << 10001 << false << nothing;
        QTest::newRow("missing entry") << "k4_04200.zip" << none << "" << "" << 10004 << true << QStringList{"K4MAIN.BIN", "K4SUB.BIN"};
        QTest::newRow("wrong package digest") << "tm_981_210.bin" << none << "" << "" << 10000 << true << nothing;
        QTest::newRow("empty package digest not checked") << "tm_981_210.bin" << Edit([](FirmwareRelease &r) { r.fileChecksum.clear(); }) << "" << "" << 0 << true << QStringList{"tm_981_210.bin"};
        QTest::newRow("entry beyond its size") << "k5r_105.zip" << setEntry([](UnpackedFileInfo &f) { f.fileSize = 100; }) << "" << "" << 10005 << true << nothing;
        QTest::newRow("old file undeletable") << "k5r_105.zip" << none << "obstacle" << "" << 10004 << true << k5r;
        QTest::newRow("truncated archive") << "k5r_105.zip" << tinyPackage("/truncated.zip") << "" << "" << 10004 << false << nothing;
        QTest::newRow("empty archive") << "k5r_105.zip" << tinyPackage("/empty.zip") << "" << "" << 10004 << false << nothing;
        for (const char *name : {"", ".", "..", "../evil.bin", "/tmp/evil.bin", "..\\evil.bin", "C:evil.bin", "evil\x01.bin", "evil\x7f.bin"}) {
            QTest::addRow("entry named \"%s\"", name) << "k5r_105.zip" << entryName(QString::fromLatin1(name)) << "files" << "" << 10004 << false << k5r;
            // Everything after the last "/" of the location names the package.
            if (!QByteArray(name).contains('/'))
                QTest::addRow("package named \"%s\"", name) << "cb_321_120.bin" << packageName(QString::fromLatin1(name)) << "" << "" << 10001 << false << nothing;
        }
        QTest::newRow("cancelled download") << "qz_05300.zip" << none << "" << "cancel once stalled" << 10003 << true << nothing;
        QTest::newRow("cancelled extraction") << "k5u_310.zip" << none << "package" << "cancel" << 10003 << false << racy;
        QTest::newRow("deleted at work") << "k5u_310.zip" << none << "package" << "delete" << -1 << false << racy;
    }
    void run()
    {
        QFETCH(QString, package);
        QFETCH(Edit, edit);
        QFETCH(QString, before);
        QFETCH(QString, action);
        QFETCH(bool, fetched);
        QFETCH(QStringList, left);
        FirmwareRelease release = m_releases.value(package);
        edit(release);
        if (before.startsWith(QLatin1String("files")))
            QVERIFY(unpackDemo(package, folder()));
        if (before.startsWith(QLatin1String("files "))) {
            QVERIFY(DownloadExtractFirmware(0, release, folder()).isAlreadyDownloaded()); // digests remembered
            QVERIFY(alterKeepingTime(folder() + "/K5RMAIN.BIN", before.endsWith(QLatin1String("renamed"))));
        }
        else if (before == QLatin1String("package"))
            QVERIFY(QFile::copy(demoPackage(package), folder() + '/' + package));
        else if (before == QLatin1String("stale"))
            QVERIFY(writeFile(folder() + '/' + package, "stale"));
        else if (before == QLatin1String("obstacle"))
            QVERIFY(QDir(folder()).mkpath(QStringLiteral("K5RMAIN.BIN/inner")));

        auto job = std::make_unique<DownloadExtractFirmware>(5, release, folder());
        QSignalSpy status(job.get(), &DownloadExtractFirmware::statusChanged);
        bool onOwnerThread = true;
        connect(job.get(), &DownloadExtractFirmware::statusChanged, this, [&] { onOwnerThread = QThread::currentThread() == thread(); }, Qt::DirectConnection);
        const int started = job->start();
        QCOMPARE(started, status.isEmpty() ? 0 : status.first().at(1).toInt());
        if (action == QLatin1String("cancel once stalled"))
            QVERIFY(m_server.waitForEvent(QStringLiteral("httpRequest"), QJsonObject{{"path", QString(kPackages + package)}}));
        if (action.startsWith(QLatin1String("cancel")))
            job->cancel();
        if (action == QLatin1String("delete"))
            job.reset();
        else
            QVERIFY(!status.isEmpty() || status.wait(10000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCOMPARE(status.count(), action == QLatin1String("delete") ? 0 : 1);
        if (job) {
            QTEST(status.first().at(1).toInt(), "expected");
            QCOMPARE(status.first().at(0).toInt(), 5);
            QVERIFY(onOwnerThread);
        }
        if (fetched)
            QVERIFY(m_server.waitForEvent(QStringLiteral("httpRequest"), QJsonObject{{"path", QString(kPackages + package)}}));
        else
            QVERIFY(m_server.events(QStringLiteral("httpRequest")).isEmpty());
        const bool racy = left == QStringList{"?"};
        if (!racy)
            QCOMPARE(files(), left);
        // One rule before and after a download: a finished run is never followed by another.
        if (job && !racy)
            QCOMPARE(DownloadExtractFirmware(0, release, folder()).isAlreadyDownloaded(), status.first().at(1).toInt() == 0);
        // The LAN update uploads the package under the name it was downloaded by.
        if (job && status.first().at(1).toInt() == 0 && release.unpackedFileInfo.isEmpty())
            QVERIFY(QFileInfo(UpdateQueue::firmwareFiles(release, folder()).paths.value(0)).isFile());
        QCOMPARE(readFile(m_root->filePath(QStringLiteral("evil.bin"))), QByteArray("outside"));
    }

    // An offline batch downloads each chosen release that is offered and not yet present, once.
    void offlineBatch()
    {
        OfflineDownloadBatch batch(folder(), m_db);
        QCOMPARE(batch.offeredReleases().size(), 13); // not: USB only (10, 11), a newer build needed (13)
        QVERIFY(unpackDemo(QStringLiteral("k5r_105.zip"), folder()));
        QSignalSpy present(&batch, &OfflineDownloadBatch::presentChecked);
        batch.checkPresent();
        QVERIFY(present.wait(10000));
        QCOMPARE(batch.presentReleases(), QList<int>{6});
        QSignalSpy progress(&batch, &OfflineDownloadBatch::progressChanged);
        QSignalSpy finished(&batch, &OfflineDownloadBatch::finished);
        QCOMPARE(batch.start({5, 6, 10, 13, -1, 16, 5, 4}), 2);
        QCOMPARE(batch.start({3}), 0); // one batch at a time
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first(), QVariantList{false});
        QVERIFY(!progress.isEmpty() && progress.last().at(1).toLongLong() == 15071 + 6324); // the expected total
        QCOMPARE(m_server.events(QStringLiteral("httpRequest")).size(), 2);
        QVERIFY(!batch.isRunning() && batch.start({6, 10}) == 0);

        // A release refused at once still ends its batch through the event loop.
        FirmwareReleaseDb hostile;
        QCOMPARE(hostile.parse("{\"info\": {}, \"firmware\": [{\"models\": [\"X\"], \"updateViaHTTP\": 1,"
                               " \"downloadLoc\": \"http://127.0.0.1:1/a%2Fevil.bin\"}]}"), 0);
        OfflineDownloadBatch refused(folder(), hostile);
        QSignalSpy refusedEnd(&refused, &OfflineDownloadBatch::finished);
        QCOMPARE(refused.start({0}), 1);
        QVERIFY(refusedEnd.isEmpty() && refused.isRunning() && refused.totalBytes() == -1);
        QVERIFY(refusedEnd.wait(5000));
        QCOMPARE(refusedEnd.first(), QVariantList{true});
    }

    void extractionCap_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("within the free space") << qint64(16 << 20) << 0 << QStringList{"A.BIN", "B.BIN"};
        // Sizes of 0 in the database bound nothing; the free space does, and what was written goes.
        QTest::newRow("beyond the free space") << qint64(4 << 20) << 10004 << QStringList();
    }
    void extractionCap()
    {
        QFETCH(qint64, limit);
        const QString archive = m_root->filePath(QStringLiteral("bomb.zip"));
        QVERIFY(writeFile(archive, zipOf({{"A.BIN", QByteArray(1 << 20, '\0')}, {"B.BIN", QByteArray(8 << 20, '\0')}})));
        QVERIFY(QFileInfo(archive).size() < 65536);
        QTEST(FirmwareFiles::extract(archive, folder(), {{"A.BIN", 0, {}}, {"B.BIN", 0, {}}}, limit), "expected");
        QTEST(files(), "left");
        // What stays free: 5 % of the free space, and at least 64 MB.
        QCOMPARE(FirmwareFiles::extractionLimit(qint64(10) << 30), (qint64(10) << 30) / 20 * 19);
        QCOMPARE(FirmwareFiles::extractionLimit(qint64(1) << 30), (qint64(1) << 30) - (qint64(64) << 20));
        QCOMPARE(FirmwareFiles::extractionLimit(qint64(32) << 20), qint64(0));
    }
};

QTEST_GUILESS_MAIN(tst_DownloadExtractFirmware)
#include "tst_downloadextractfirmware.moc"

#include "download/downloadstatus.h"
#include "app/timing.h"
#include "download/filedownloader.h"
#include "download/speedtext.h"

#include "tinyhttpserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

using Behaviour = TinyHttpServer::Behaviour;

namespace {

QByteArray patternBody(int size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = char('a' + (i * 7 + i / 251) % 26);
    return body;
}

QByteArray md5Of(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

// Runs the event loop until the downloader reports, then lets any deferred
// work (reply deletion, late network events) run so a second report would show.
int finalStatus(QSignalSpy &spy, int timeoutMs = 10000)
{
    if (spy.isEmpty() && !spy.wait(timeoutMs))
        return -1;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return spy.count() == 1 ? spy.first().at(1).toInt() : -2;
}

}

class tst_FileDownloader : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void speedText_data();
    void speedText();

    void inMemoryBody();
    void fileModeWritesCompleteFile();
    void digestCheck_data();
    void digestCheck();
    void inMemoryBodyIsCapped();
    void httpErrorLeavesNoFile();
    void unwritableTarget();
    void undeletableTarget();
    void replyTimerLimitsOnlyTheFirstWait();
    void replyTimerDoesNotLimitALongTransfer();
    void cancelMidBodyLeavesNoFile();
    void destructionMidBodyLeavesNoFile();
    void restartAfterFinish();
    void cancelWhenIdleReportsNothing();
#ifdef Q_OS_LINUX
    void failedWriteReportsOnce();
#endif
    void unknownStatusText();

private:
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QString target() const { return m_dir->filePath(QStringLiteral("package.zip")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TinyHttpServer> m_server;
};

void tst_FileDownloader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_server = std::make_unique<TinyHttpServer>();
    QVERIFY(m_server->listen());
}

void tst_FileDownloader::speedText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("500 bytes in a second") << qint64(500) << qint64(1000) << "500.0 bytes/sec";
    QTest::newRow("single digit keeps 3 characters") << qint64(5) << qint64(1000) << "5.0 bytes/sec";
    QTest::newRow("1023 stays in bytes") << qint64(1023) << qint64(1000) << "1023.0 bytes/sec";
    QTest::newRow("1024 switches to kB") << qint64(1024) << qint64(1000) << "1.0 kB/s";
    QTest::newRow("12.5 kB") << qint64(12800) << qint64(1000) << "12.5 kB/s";
    QTest::newRow("just below a MB") << qint64(1048575) << qint64(1000) << "1024.0 kB/s";
    QTest::newRow("1048576 switches to MB") << qint64(1048576) << qint64(1000) << "1.0 MB/s";
    QTest::newRow("two million bytes") << qint64(2000000) << qint64(1000) << "1.9 MB/s";
    QTest::newRow("half a second") << qint64(1024) << qint64(500) << "2.0 kB/s";
    QTest::newRow("no time elapsed") << qint64(65536) << qint64(0) << "0.0 bytes/sec";
    QTest::newRow("nothing received") << qint64(0) << qint64(250) << "0.0 bytes/sec";
}

void tst_FileDownloader::speedText()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, expected);
    QCOMPARE(downloadSpeedText(bytes, elapsedMs), expected);
}

void tst_FileDownloader::inMemoryBody()
{
    const QByteArray body = patternBody(300000);
    m_server->setRoute("/db.json", {body});
    FileDownloader downloader(7, false, m_server->url(QStringLiteral("/db.json")), QString(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    QSignalSpy progress(&downloader, &FileDownloader::progressChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    QCOMPARE(status.first().at(0).toInt(), 7);
    QCOMPARE(downloader.data(), body);
    QVERIFY(!progress.isEmpty());
    const QList<QVariant> last = progress.last();
    QCOMPARE(last.at(0).toInt(), 7);
    QCOMPARE(last.at(1).toInt(), body.size());
    QCOMPARE(last.at(2).toInt(), body.size());
    QVERIFY(last.at(3).toString().contains(QLatin1Char('/')));
    QVERIFY(folderEntries().isEmpty());
}

void tst_FileDownloader::fileModeWritesCompleteFile()
{
    const QByteArray body = patternBody(700000);
    m_server->setRoute("/fw.zip", {body});
    QFile stale(target());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("an older package that must be replaced");
    stale.close();

    FileDownloader downloader(1, false, m_server->url(QStringLiteral("/fw.zip")), target(), md5Of(body));
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    QFile written(target());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), body);
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("package.zip")});
    QVERIFY(downloader.data().isEmpty());
}

void tst_FileDownloader::digestCheck_data()
{
    QTest::addColumn<bool>("inMemory");
    QTest::addColumn<bool>("rightDigest");
    QTest::addColumn<int>("expected");
    QTest::newRow("memory, matching") << true << true << 0;
    QTest::newRow("memory, differing") << true << false << 10000;
    QTest::newRow("file, matching") << false << true << 0;
    QTest::newRow("file, differing") << false << false << 10000;
}

void tst_FileDownloader::digestCheck()
{
    QFETCH(bool, inMemory);
    QFETCH(bool, rightDigest);
    QFETCH(int, expected);
    const QByteArray body = patternBody(90000);
    m_server->setRoute("/fw.bin", {body});
    const QByteArray digest = md5Of(rightDigest ? body : body + "x");
    FileDownloader downloader(2, false, m_server->url(QStringLiteral("/fw.bin")),
                              inMemory ? QString() : target(), digest);
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), expected);
    if (!inMemory) {
        // A package with a wrong digest stays on disk for its owner to judge.
        QFile written(target());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), body);
    }
}

void tst_FileDownloader::inMemoryBodyIsCapped()
{
    // The body arrives in three deliberate portions: below the limit, one
    // crossing it (kept whole), and the rest (dropped).
    const QByteArray body = patternBody(1500000);
    m_server->setRoute("/big", {body, 200, Behaviour::Stall, 999000});
    const int kept = 1001000;
    FileDownloader downloader(3, false, m_server->url(QStringLiteral("/big")), QString(), md5Of(body.left(kept)));
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QTRY_COMPARE_WITH_TIMEOUT(downloader.data().size(), 999000, 10000);
    m_server->sendMore(kept - 999000);
    QTRY_COMPARE_WITH_TIMEOUT(downloader.data().size(), kept, 10000);
    m_server->sendMore();
    // The digest covers exactly the kept chunks.
    QCOMPARE(finalStatus(status), 0);
    QCOMPARE(downloader.data(), body.left(kept));
}

void tst_FileDownloader::httpErrorLeavesNoFile()
{
    FileDownloader downloader(4, false, m_server->url(QStringLiteral("/missing.zip")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), 10003);
    QVERIFY(folderEntries().isEmpty());
}

void tst_FileDownloader::unwritableTarget()
{
    m_server->setRoute("/fw.zip", {"data"});
    const QString path = m_dir->filePath(QStringLiteral("no such folder/package.zip"));
    FileDownloader downloader(5, false, m_server->url(QStringLiteral("/fw.zip")), path, QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(status.count(), 1); // reported before any request
    QCOMPARE(finalStatus(status), 10001);
    QVERIFY(m_server->requests().isEmpty());
}

void tst_FileDownloader::undeletableTarget()
{
    // Tests run as root, which may delete a read-only file; a non-empty
    // folder under the target name cannot be deleted as a file by anyone.
    m_server->setRoute("/fw.zip", {"data"});
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("package.zip/inner")));
    FileDownloader downloader(6, false, m_server->url(QStringLiteral("/fw.zip")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(status.count(), 1);
    QCOMPARE(finalStatus(status), 10002);
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(QFileInfo(target()).isDir());
}

void tst_FileDownloader::replyTimerLimitsOnlyTheFirstWait()
{
    m_server->setRoute("/index.html", {"", 200, Behaviour::Silent});
    const QUrl url = m_server->url(QStringLiteral("/index.html"));
    FileDownloader probe(8, true, url, QString(), QByteArray());
    FileDownloader download(9, false, url, QString(), QByteArray());
    QSignalSpy probeStatus(&probe, &FileDownloader::statusChanged);
    QSignalSpy downloadStatus(&download, &FileDownloader::statusChanged);
    QElapsedTimer clock;
    clock.start();
    probe.start();
    download.start();
    QVERIFY(!probeStatus.wait(3000));
    QCOMPARE(finalStatus(probeStatus, 5000), 10003);
    QVERIFY2(clock.elapsed() >= 4500, QByteArray::number(clock.elapsed()).constData());
    // Without the timer the same silent server is still being waited for.
    QVERIFY(downloadStatus.isEmpty());
    QVERIFY(download.isRunning());
    download.cancel();
    QCOMPARE(finalStatus(downloadStatus), 10003);
}

void tst_FileDownloader::replyTimerDoesNotLimitALongTransfer()
{
    // About 2.4 s of body against a 0.8 s reply timer: once data flows the timer is off.
    const QByteArray body = patternBody(1000000);
    m_server->setRoute("/index.html", {body, 200, Behaviour::Trickle, 8192});
    FileDownloader probe(15, true, m_server->url(QStringLiteral("/index.html")), QString(), md5Of(body));
    Timing::setScale(0.16);
    QSignalSpy status(&probe, &FileDownloader::statusChanged);
    probe.start();
    QCOMPARE(finalStatus(status), 0);
    QCOMPARE(probe.data(), body);
}

void tst_FileDownloader::cancelMidBodyLeavesNoFile()
{
    m_server->setRoute("/fw.zip", {patternBody(1000000), 200, Behaviour::Trickle, 16384});
    FileDownloader downloader(10, true, m_server->url(QStringLiteral("/fw.zip")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    QSignalSpy progress(&downloader, &FileDownloader::progressChanged);
    downloader.start();
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 10000);
    QCOMPARE(progress.last().at(2).toInt(), 1000000);
    QVERIFY(!QFile::exists(target())); // the partial body has no name yet
    downloader.cancel();
    QCOMPARE(finalStatus(status), 10003);
    QVERIFY(folderEntries().isEmpty());
}

void tst_FileDownloader::destructionMidBodyLeavesNoFile()
{
    m_server->setRoute("/fw.zip", {patternBody(1000000), 200, Behaviour::Trickle, 16384});
    auto downloader = std::make_unique<FileDownloader>(11, false, m_server->url(QStringLiteral("/fw.zip")),
                                                       target(), QByteArray());
    QSignalSpy progress(downloader.get(), &FileDownloader::progressChanged);
    downloader->start();
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 10000);
    downloader.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(folderEntries().isEmpty());
}

void tst_FileDownloader::restartAfterFinish()
{
    m_server->setRoute("/a", {"first body"});
    FileDownloader downloader(12, false, m_server->url(QStringLiteral("/a")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    m_server->setRoute("/a", {"second, longer body"});
    status.clear();
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    QFile written(target());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("second, longer body"));
}

void tst_FileDownloader::cancelWhenIdleReportsNothing()
{
    FileDownloader downloader(13, false, m_server->url(QStringLiteral("/a")), QString(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.cancel();
    QCoreApplication::processEvents();
    QVERIFY(status.isEmpty());
}

#ifdef Q_OS_LINUX
void tst_FileDownloader::failedWriteReportsOnce()
{
    // A file size limit on this process makes a write fail part-way, as a full disk would.
    m_server->setRoute("/fw.zip", {patternBody(1500000)});
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    FileDownloader downloader(14, false, m_server->url(QStringLiteral("/fw.zip")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    const int result = finalStatus(status);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(result, 10001);
    QVERIFY(folderEntries().isEmpty());
}
#endif

void tst_FileDownloader::unknownStatusText()
{
    QCOMPARE(DownloadStatus::statusText(42), QStringLiteral("Unknown error: 42"));
    QVERIFY(DownloadStatus::statusText(10003) != DownloadStatus::statusText(10001));
}

QTEST_GUILESS_MAIN(tst_FileDownloader)
#include "tst_filedownloader.moc"

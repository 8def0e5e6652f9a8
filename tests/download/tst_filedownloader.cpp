#include "app/timing.h"
#include "download/downloadstatus.h"
#include "download/filedownloader.h"
#include "download/speedtext.h"

#include "tinyhttpserver.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using Behaviour = TinyHttpServer::Behaviour;
using Mode = FileDownloader::ReplyTimerMode;

namespace {

QByteArray patternBody(int size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = char('a' + (i * 7 + i / 251) % 26);
    return body;
}

QByteArray md5Of(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Md5); }

// Waits for the report, then lets deferred work run so that a second report would show.
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
    void cleanup() { Timing::setScale(1.0); }
    void speedText_data();
    void speedText();
    void transfer_data();
    void transfer();
    void inMemoryBodyIsCapped();
    void targetProblemReportedBeforeRequest_data();
    void targetProblemReportedBeforeRequest();
    void failedWriteReportsOnce();
    void replyTimer_data();
    void replyTimer();
    void abandonedMidBodyLeavesNoFile_data();
    void abandonedMidBodyLeavesNoFile();
    void restartAfterFinish();

private:
    QStringList folderEntries() const { return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
    QString target() const { return m_dir->filePath(QStringLiteral("package.zip")); }
    QByteArray targetContent() const
    {
        QFile file(target());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

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
    QTest::newRow("1023 stays in bytes") << qint64(1023) << qint64(1000) << "1023.0 bytes/sec";
    QTest::newRow("1024 switches to kB") << qint64(1024) << qint64(1000) << "1.0 kB/s";
    QTest::newRow("just below a MB") << qint64(1048575) << qint64(1000) << "1024.0 kB/s";
    QTest::newRow("two million bytes") << qint64(2000000) << qint64(1000) << "1.9 MB/s";
    QTest::newRow("half a second") << qint64(1024) << qint64(500) << "2.0 kB/s";
    QTest::newRow("no time elapsed") << qint64(65536) << qint64(0) << "0.0 bytes/sec";
}

void tst_FileDownloader::speedText()
{
    QFETCH(qint64, bytes);
    QFETCH(qint64, elapsedMs);
    QTEST(downloadSpeedText(bytes, elapsedMs), "expected");
    QCOMPARE(DownloadStatus::statusText(42), QStringLiteral("Unknown error: 42"));
}

void tst_FileDownloader::transfer_data()
{
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<bool>("rightDigest");
    QTest::addColumn<int>("expected");
    QTest::newRow("memory") << false << 200 << true << 0;
    QTest::newRow("memory, wrong digest") << false << 200 << false << 10000;
    QTest::newRow("memory, 404") << false << 404 << true << 10003;
    QTest::newRow("file replaces an older one") << true << 200 << true << 0;
    // A package with a wrong digest stays on disk for its owner to judge.
    QTest::newRow("file, wrong digest") << true << 200 << false << 10000;
    QTest::newRow("file, 500 leaves no file") << true << 500 << true << 10003;
}

void tst_FileDownloader::transfer()
{
    QFETCH(bool, toFile);
    QFETCH(int, httpStatus);
    QFETCH(bool, rightDigest);
    QFETCH(int, expected);
    const QByteArray body = patternBody(700000);
    m_server->setRoute("/fw.zip", {body, httpStatus});
    QFile older(target());
    QVERIFY(older.open(QIODevice::WriteOnly) && older.write("an older package") > 0);
    older.close();

    FileDownloader downloader(7, false, m_server->url(QStringLiteral("/fw.zip")), toFile ? target() : QString(),
                              md5Of(rightDigest ? body : body + "x"));
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    QSignalSpy progress(&downloader, &FileDownloader::progressChanged);
    downloader.start();
    QCOMPARE(finalStatus(status), expected);
    QCOMPARE(status.first().at(0).toInt(), 7);
    if (expected == 10003) {
        QCOMPARE(folderEntries(), toFile ? QStringList() : QStringList{QStringLiteral("package.zip")});
        return;
    }
    QCOMPARE(downloader.data(), toFile ? QByteArray() : body);
    QCOMPARE(targetContent(), toFile ? body : QByteArray("an older package"));
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("package.zip")});
    const QList<QVariant> last = progress.last();
    QCOMPARE(last.mid(0, 3), (QVariantList{7, body.size(), body.size()}));
    QVERIFY(last.at(3).toString().contains(QLatin1Char('/')));
}

void tst_FileDownloader::inMemoryBodyIsCapped()
{
    // Three portions: below the limit, one crossing it (kept whole), and the rest (dropped).
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
    QCOMPARE(finalStatus(status), 0); // the digest covers exactly the kept chunks
    QCOMPARE(downloader.data(), body.left(kept));
}

void tst_FileDownloader::targetProblemReportedBeforeRequest_data()
{
    QTest::addColumn<QString>("obstacle"); // a folder made under the target name
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("expected");
    QTest::newRow("folder missing") << QString() << "no such folder/package.zip" << 10001;
    // Tests run as root, which may delete a read-only file, but not a non-empty folder as a file.
    QTest::newRow("undeletable") << "package.zip/inner" << "package.zip" << 10002;
}

void tst_FileDownloader::targetProblemReportedBeforeRequest()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, path);
    m_server->setRoute("/fw.zip", {"data"});
    QVERIFY(obstacle.isEmpty() || QDir(m_dir->path()).mkpath(obstacle));
    FileDownloader downloader(5, false, m_server->url(QStringLiteral("/fw.zip")), m_dir->filePath(path), {});
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.start();
    QCOMPARE(status.count(), 1);
    QTEST(finalStatus(status), "expected");
    QVERIFY(m_server->requests().isEmpty());
}

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

void tst_FileDownloader::replyTimer_data()
{
    // At the time scale of the test the first-response limit is 200 ms, the stall limit 1200 ms.
    QTest::addColumn<int>("mode"); // -1: no reply timer
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<int>("portion");
    QTest::addColumn<int>("feedEveryMs"); // a stalled body gets `portion` more bytes this often
    QTest::addColumn<int>("expected");    // -1: still waiting after 1.5 s
    const int none = -1, first = int(Mode::FirstResponse), stall = int(Mode::Stall);
    const int silent = int(Behaviour::Silent), stalled = int(Behaviour::Stall), trickle = int(Behaviour::Trickle);
    // clang-format off
    QTest::newRow("no timer, silent server")       << none  << silent  << 0   << 0   << -1;
    QTest::newRow("first response, silent server") << first << silent  << 0   << 0   << 10003;
    QTest::newRow("stall, silent server")          << stall << silent  << 0   << 0   << 10003;
    QTest::newRow("first response, body stalls")   << first << stalled << 100 << 0   << -1;
    QTest::newRow("stall, body stalls")            << stall << stalled << 100 << 0   << 10003;
    QTest::newRow("first response, late first byte") << first << stalled << 100 << 400 << 10003;
    QTest::newRow("stall, late first byte, steady")  << stall << stalled << 100 << 400 << 0;
    QTest::newRow("stall, trickle beyond the limit") << stall << trickle << 4 << 0   << 0;
    QTest::newRow("first response, long trickle")    << first << trickle << 4 << 0   << 0;
    // clang-format on
}

void tst_FileDownloader::replyTimer()
{
    QFETCH(int, mode);
    QFETCH(int, behaviour);
    QFETCH(int, portion);
    QFETCH(int, feedEveryMs);
    QFETCH(int, expected);
    Timing::setScale(0.04);
    const QByteArray body = patternBody(400); // a trickle of 4 bytes per 20 ms takes 2 s
    m_server->setRoute("/db.json", {body, 200, TinyHttpServer::Behaviour(behaviour), feedEveryMs ? 0 : portion});
    QTimer feed;
    connect(&feed, &QTimer::timeout, this, [&] { m_server->sendMore(portion); });
    FileDownloader downloader(1, mode >= 0, m_server->url(QStringLiteral("/db.json")), QString(), md5Of(body));
    if (mode >= 0)
        downloader.setReplyTimerMode(Mode(mode));
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    QElapsedTimer clock;
    clock.start();
    downloader.start();
    if (feedEveryMs)
        feed.start(feedEveryMs);
    if (expected < 0) {
        QVERIFY(!status.wait(1500));
        QVERIFY(downloader.isRunning());
        downloader.cancel();
        QCOMPARE(finalStatus(status), 10003);
        return;
    }
    QCOMPARE(finalStatus(status), expected);
    if (expected == 0)
        QCOMPARE(downloader.data(), body);
    else // never before the limit of the mode (timers may fire 5 % early)
        QVERIFY(clock.elapsed() >= (Mode(mode) == Mode::Stall ? 1200 : 200) * 9 / 10);
}

void tst_FileDownloader::abandonedMidBodyLeavesNoFile_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("cancelled") << false;
    QTest::newRow("destroyed") << true;
}

void tst_FileDownloader::abandonedMidBodyLeavesNoFile()
{
    QFETCH(bool, destroy);
    m_server->setRoute("/fw.zip", {patternBody(1000000), 200, Behaviour::Trickle, 16384});
    auto downloader = std::make_unique<FileDownloader>(10, true, m_server->url(QStringLiteral("/fw.zip")), target(),
                                                       QByteArray());
    QSignalSpy status(downloader.get(), &FileDownloader::statusChanged);
    QSignalSpy progress(downloader.get(), &FileDownloader::progressChanged);
    downloader->start();
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 10000);
    QCOMPARE(progress.last().at(2).toInt(), 1000000);
    QVERIFY(!QFile::exists(target())); // the partial body has no name yet
    if (destroy) {
        downloader.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        downloader->cancel();
        QCOMPARE(finalStatus(status), 10003);
    }
    QVERIFY(folderEntries().isEmpty());
}

void tst_FileDownloader::restartAfterFinish()
{
    m_server->setRoute("/a", {"first body"});
    FileDownloader downloader(12, false, m_server->url(QStringLiteral("/a")), target(), QByteArray());
    QSignalSpy status(&downloader, &FileDownloader::statusChanged);
    downloader.cancel(); // idle: reports nothing
    QCoreApplication::processEvents();
    QVERIFY(status.isEmpty());
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    m_server->setRoute("/a", {"second, longer body"});
    status.clear();
    downloader.start();
    QCOMPARE(finalStatus(status), 0);
    QCOMPARE(targetContent(), QByteArray("second, longer body"));
}

QTEST_GUILESS_MAIN(tst_FileDownloader)
#include "tst_filedownloader.moc"

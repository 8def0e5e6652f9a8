#include "app/timing.h"
#include "download/downloadstatus.h"
#include "download/filedownloader.h"
#include "testfiles.h"
#include "tinyhttpserver.h"

#include <QCryptographicHash>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Behaviour = TinyHttpServer::Behaviour;
Q_DECLARE_METATYPE(Behaviour)
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

    QStringList files() const { return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
    QString target() const { return m_dir->filePath(QStringLiteral("package.zip")); }
    QUrl url() const { return m_server->url(QStringLiteral("/fw.zip")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TinyHttpServer> m_server;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TinyHttpServer>();
        QVERIFY(m_dir->isValid() && m_server->listen());
    }
    void cleanup() { Timing::setScale(1.0); }

    void outcome_data()
    {
        QTest::addColumn<QString>("path");     // empty: in memory
        QTest::addColumn<QString>("obstacle"); // a folder made under the target name
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<bool>("rightDigest");
        QTest::addColumn<int>("fileSizeLimit"); // of this process: a write beyond it fails as on a full disk
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("left"); // in package.zip afterwards: body, older, or nothing
        const QString zip = QStringLiteral("package.zip");
        QTest::newRow("memory, wrong digest") << QString() << QString() << 200 << false << 0 << 10000 << "older";
        QTest::newRow("file replaces an older one") << zip << QString() << 200 << true << 0 << 0 << "body";
        // A package with a wrong digest stays on disk for its owner to judge.
        QTest::newRow("file, wrong digest") << zip << QString() << 200 << false << 0 << 10000 << "body";
        QTest::newRow("500 leaves no file") << zip << QString() << 500 << true << 0 << 10003 << "";
        QTest::newRow("folder missing") << "no such folder/package.zip" << QString() << 200 << true << 0 << 10001 << "older";
        // Tests run as root, which may delete a read-only file, but not a non-empty folder as a file.
        QTest::newRow("undeletable") << zip << "package.zip/inner" << 200 << true << 0 << 10002 << "";
        QTest::newRow("write fails part-way") << zip << QString() << 200 << true << 200000 << 10001 << "";
    }
    void outcome()
    {
        QFETCH(QString, path);
        QFETCH(QString, obstacle);
        QFETCH(int, httpStatus);
        QFETCH(bool, rightDigest);
        QFETCH(int, fileSizeLimit);
        QFETCH(QString, left);
        const QByteArray body = patternBody(700000);
        m_server->setRoute("/fw.zip", {body, httpStatus});
        QVERIFY(obstacle.isEmpty() ? writeFile(target(), "an older package") : QDir(m_dir->path()).mkpath(obstacle));
        FileDownloader downloader(7, false, url(), path.isEmpty() ? QString() : m_dir->filePath(path), md5Of(rightDigest ? body : body + "x"));
        QSignalSpy status(&downloader, &FileDownloader::statusChanged);
        QSignalSpy progress(&downloader, &FileDownloader::progressChanged);
        int result = 0;
        bool reportedAtOnce = false;
        {
            FileSizeLimit limit(fileSizeLimit ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
            downloader.start();
            reportedAtOnce = status.count() == 1;
            result = finalStatus(status);
        }
        QTEST(result, "expected");
        // Every reported status has a text of its own; an unknown code is named as such.
        QVERIFY(!DownloadStatus::statusText(result).startsWith(QLatin1String("Unknown error")));
        QCOMPARE(DownloadStatus::statusText(42), QStringLiteral("Unknown error: 42"));
        // Problems with the target itself are found before any request.
        QCOMPARE(reportedAtOnce, m_server->requests().isEmpty());
        QCOMPARE(files(), left.isEmpty() && obstacle.isEmpty() ? QStringList() : QStringList{QStringLiteral("package.zip")});
        QCOMPARE(readFile(target()), left == QLatin1String("body") ? body : left == QLatin1String("older") ? "an older package" : QByteArray());
        if (result == 0 || result == 10000)
            QCOMPARE(progress.last().mid(0, 3), (QVariantList{7, body.size(), body.size()}));
        QCOMPARE(downloader.data(), path.isEmpty() ? body : QByteArray());
    }

    void inMemoryBodyIsCapped()
    {
        // Three portions: below the limit, one crossing it (kept whole), and the rest (dropped).
        const QByteArray body = patternBody(1500000);
        const int kept = 1001000;
        m_server->setRoute("/fw.zip", {body, 200, Behaviour::Stall, 999000});
        FileDownloader downloader(3, false, url(), QString(), md5Of(body.left(kept)));
        QSignalSpy status(&downloader, &FileDownloader::statusChanged);
        downloader.start();
        QTRY_COMPARE_WITH_TIMEOUT(downloader.data().size(), 999000, 10000);
        m_server->sendMore(kept - 999000);
        QTRY_COMPARE_WITH_TIMEOUT(downloader.data().size(), kept, 10000);
        m_server->sendMore();
        QCOMPARE(finalStatus(status), 0); // the digest covers exactly the kept chunks
        QCOMPARE(downloader.data(), body.left(kept));
    }

    void replyTimer_data()
    {
        // At the time scale of the test the first-response limit is 200 ms, the stall limit 1200 ms.
        QTest::addColumn<int>("mode"); // -1: no reply timer
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<int>("portion");
        QTest::addColumn<int>("feedEveryMs"); // a stalled body gets `portion` more bytes this often
        QTest::addColumn<int>("expected");    // -1: still waiting after 1.5 s
        const int first = int(Mode::FirstResponse), stall = int(Mode::Stall);
        QTest::newRow("no timer, silent server") << -1 << Behaviour::Silent << 0 << 0 << -1;
        QTest::newRow("first response, silent server") << first << Behaviour::Silent << 0 << 0 << 10003;
        QTest::newRow("first response, body stalls") << first << Behaviour::Stall << 100 << 0 << -1;
        QTest::newRow("stall, body stalls") << stall << Behaviour::Stall << 100 << 0 << 10003;
        QTest::newRow("first response, late first byte") << first << Behaviour::Stall << 100 << 400 << 10003;
        QTest::newRow("stall, late first byte, steady") << stall << Behaviour::Stall << 100 << 400 << 0;
        QTest::newRow("stall, trickle beyond the limit") << stall << Behaviour::Trickle << 4 << 0 << 0;
    }
    void replyTimer()
    {
        QFETCH(int, mode);
        QFETCH(Behaviour, behaviour);
        QFETCH(int, portion);
        QFETCH(int, feedEveryMs);
        QFETCH(int, expected);
        Timing::setScale(0.04);
        const QByteArray body = patternBody(400); // a trickle of 4 bytes per 20 ms takes 2 s
        m_server->setRoute("/fw.zip", {body, 200, behaviour, feedEveryMs ? 0 : portion});
        QTimer feed;
        connect(&feed, &QTimer::timeout, this, [&] { m_server->sendMore(portion); });
        FileDownloader downloader(1, mode >= 0, url(), QString(), md5Of(body));
        if (mode >= 0)
            downloader.setReplyTimerMode(Mode(mode));
        QSignalSpy status(&downloader, &FileDownloader::statusChanged);
        QElapsedTimer clock;
        clock.start();
        downloader.start();
        if (feedEveryMs)
            feed.start(feedEveryMs);
        if (expected < 0) {
            QVERIFY(!status.wait(1500) && downloader.isRunning());
            downloader.cancel();
        }
        QCOMPARE(finalStatus(status), expected < 0 ? 10003 : expected);
        QCOMPARE(downloader.data(), expected == 0 ? body : downloader.data());
        // Never before the limit of the mode (timers may fire 5 % early).
        QVERIFY(expected <= 0 || clock.elapsed() >= (Mode(mode) == Mode::Stall ? 1200 : 200) * 9 / 10);
    }

    void abandonedMidBodyLeavesNoFile_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("cancelled, then restarted") << false;
        QTest::newRow("destroyed") << true;
    }
    void abandonedMidBodyLeavesNoFile()
    {
        QFETCH(bool, destroy);
        m_server->setRoute("/fw.zip", {patternBody(1000000), 200, Behaviour::Trickle, 16384});
        auto downloader = std::make_unique<FileDownloader>(10, true, url(), target(), QByteArray());
        QSignalSpy status(downloader.get(), &FileDownloader::statusChanged);
        QSignalSpy progress(downloader.get(), &FileDownloader::progressChanged);
        downloader->cancel(); // idle: reports nothing
        downloader->start();
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 10000);
        QVERIFY(!QFile::exists(target())); // the partial body has no name yet
        if (destroy)
            downloader.reset();
        else
            downloader->cancel();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(files().isEmpty());
        if (destroy)
            return;
        QCOMPARE(finalStatus(status), 10003);
        m_server->setRoute("/fw.zip", {"a second body"});
        status.clear();
        downloader->start();
        QCOMPARE(finalStatus(status), 0);
        QCOMPARE(readFile(target()), QByteArray("a second body"));
    }
};

QTEST_GUILESS_MAIN(tst_FileDownloader)
#include "tst_filedownloader.moc"

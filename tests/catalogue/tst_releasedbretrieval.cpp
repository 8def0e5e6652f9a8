#include "app/timing.h"
#include "catalogue/firmwarefolder.h"
#include "catalogue/firmwareserver.h"
#include "catalogue/releasedbretrieval.h"
#include "catalogue/releasedbselection.h"
#include "testfiles.h"
#include "tinyhttpserver.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using Behaviour = TinyHttpServer::Behaviour;
Q_DECLARE_METATYPE(Behaviour)

namespace {

// A database document with `records` releases of model "M-<n>".
QByteArray database(int version, int records)
{
    QByteArray json = R"({"info":{"databaseVersion":)" + QByteArray::number(version) + R"(},"firmware":[)";
    for (int i = 0; i < records; ++i)
        json += QByteArray(i > 0 ? "," : "") + R"({"models":["M-)" + QByteArray::number(i) + R"("],"changes":{"version":"1.0"}})";
    return json + "]}\n";
}

// The permission bits of a path as chmod sets them, or -1 when there is nothing.
int modeOf(const QString &path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

}

// Where the release database comes from: the firmware server or the local copy in the firmware folder.
class tst_ReleaseDbRetrieval : public QObject
{
    Q_OBJECT

    QString localPath() const { return localReleaseDatabasePath(m_local->path()); }
    QStringList localFiles() const { return QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<QTemporaryDir> m_local;

private slots:
    void initTestCase() { qRegisterMetaType<FirmwareReleaseDb>(); }
    void init()
    {
        m_local = std::make_unique<QTemporaryDir>();
        QVERIFY(m_local->isValid());
    }
    void cleanup() { Timing::setScale(1.0); }

    void retrieval_data()
    {
        QTest::addColumn<Behaviour>("server"); // slow: Stall, with a piece every 200 ms
        QTest::addColumn<QByteArray>("serverDocument"); // null: not found (404)
        QTest::addColumn<QByteArray>("localDocument"); // null: no local copy
        QTest::addColumn<bool>("copyReplaced");        // by the server's document
        QTest::addColumn<QString>("outcome");          // loaded, version and count | status message | its time-out
        const Behaviour answer = Behaviour::Answer;
        const QByteArray none, local5 = database(5, 1), garbage = R"({"info":{"databaseVersion":99},"firmware":[)";
        const QString failed = QStringLiteral("|Error 10003 downloading firmware definitions. Check Internet connection and restart.|0");
        const QString local = QStringLiteral("1 5 1|1 local file firmware definitions|5000");
        const QString got2 = QStringLiteral("1 6 2|Downloaded 2 firmware definitions|5000");
        QTest::newRow("server newer") << answer << database(6, 2) << local5 << true << got2;
        QTest::newRow("versions equal") << answer << database(5, 3) << local5 << false << local;
        QTest::newRow("newer without records") << answer << database(9, 0) << local5 << false << local;
        QTest::newRow("server body not JSON") << answer << QByteArray("<html>down</html>") << local5 << false << local;
        QTest::newRow("no local copy") << answer << database(0, 1) << none << true << "1 0 1|Downloaded 1 firmware definitions|5000";
        QTest::newRow("corrupt local copy") << answer << database(1, 1) << garbage << true << "1 1 1|Downloaded 1 firmware definitions|5000";
        QTest::newRow("corrupt copy, server 0") << answer << database(0, 1) << garbage << false << "0 0 0|0 local file firmware definitions|5000";
        // Without a firmware folder the server's database still serves, and nothing is written.
        QTest::newRow("no firmware folder") << answer << database(2, 1) << none << false << "1 2 1|Downloaded 1 firmware definitions|5000";
        QTest::newRow("database not on server") << answer << none << local5 << false << "1 5 1" + failed;
        QTest::newRow("truncated local copy") << answer << none << database(8, 2).left(30) << false << "0 0 0" + failed;
        QByteArray large = database(8, 1);
        large.insert(large.indexOf("]}"), QByteArray(999999, ' ')); // valid JSON, beyond the read limit
        QTest::newRow("local copy beyond the read limit") << answer << none << large << false << "0 0 0" + failed;
        QTest::newRow("server never answers") << Behaviour::Silent << database(6, 2) << local5 << false << "1 5 1" + failed;
        // Slower to start than the first-response limit, never stalled for long.
        QTest::newRow("slow server") << Behaviour::Stall << database(6, 2) << local5 << true << got2;
    }
    void retrieval()
    {
        QFETCH(Behaviour, server);
        QFETCH(QByteArray, serverDocument);
        QFETCH(QByteArray, localDocument);
        QFETCH(bool, copyReplaced);
        Timing::setScale(0.02); // a stall limit of 600 ms
        TinyHttpServer http;
        QVERIFY(http.listen());
        if (!serverDocument.isNull())
            http.setRoute("/fw/pd_firmware_releases.json", {serverDocument, 200, server, 0});
        QTimer feed;
        connect(&feed, &QTimer::timeout, this, [&] { http.sendMore(serverDocument.size() / 5 + 1); });
        QVERIFY(localDocument.isNull() || writeFile(localPath(), localDocument));
        const bool noFolder = QTest::currentDataTag() == QLatin1String("no firmware folder");
        // The server's base URL as stored, without a trailing slash.
        ReleaseDbRetrieval retrieval(noFolder ? QString() : m_local->path(), releaseDatabaseUrl(http.url(QStringLiteral("/fw")).toString()));
        QSignalSpy status(&retrieval, &ReleaseDbRetrieval::statusMessage);
        QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
        retrieval.downloadJsonData();
        if (server == Behaviour::Stall)
            feed.start(200);
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(status.count(), 1);
        const FirmwareReleaseDb db = ready.at(0).at(0).value<FirmwareReleaseDb>();
        QTEST(QStringLiteral("%1 %2 %3|%4|%5").arg(int(ready.at(0).at(1).toBool())).arg(db.databaseVersion()).arg(db.count())
                  .arg(status.at(0).at(0).toString()).arg(status.at(0).at(1).toInt()), "outcome");
        // The local copy is the server's document byte for byte when replaced, and untouched otherwise.
        const QByteArray expectedLocal = copyReplaced ? serverDocument : localDocument;
        QCOMPARE(readFile(localPath()), expectedLocal);
        QCOMPARE(localFiles().size(), expectedLocal.isNull() ? 0 : 1);
        QVERIFY(!noFolder || !QFileInfo::exists(QStringLiteral("/pd_firmware_releases.json")));
    }

    void localCopyIsReplacedWholeOrNotAtAll()
    {
        QVERIFY(!writeLocalCopy(m_local->path() + QStringLiteral("/missing/pd_firmware_releases.json"), "{}"));
        const QByteArray previous(5000, 'x');
        QVERIFY(writeFile(localPath(), previous));
        // A write that fails part-way (as on a full disk) keeps the previous copy.
        {
            FileSizeLimit limit(4096);
            QVERIFY(!writeLocalCopy(localPath(), database(6, 3000)));
        }
        QCOMPARE(readFile(localPath()), previous);
        QVERIFY(writeLocalCopy(localPath(), database(3, 1)));
        QCOMPARE(readFile(localPath()), database(3, 1));
        QCOMPARE(localFiles(), QStringList{kReleaseDatabaseFileName});
    }

    void firmwareFolder_data()
    {
        QTest::addColumn<bool>("create");
        QTest::addColumn<int>("existing"); // mode of an existing folder; -1: none; -2: a file blocks the path
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<int>("mode"); // of the folder afterwards, which is found unless -1
        QTest::newRow("created for the owner only") << true << -1 << false << 0700;
        QTest::newRow("missing, not created") << false << -1 << false << -1;
        QTest::newRow("not creatable") << true << -2 << false << -1;
        QTest::newRow("open to all, tightened") << false << 0777 << false << 0700;
        QTest::newRow("read-only, not loosened") << false << 0555 << false << 0500;
        QTest::newRow("another user's, left alone") << true << 0777 << true << 0777;
    }
    void firmwareFolder()
    {
        QFETCH(bool, create);
        QFETCH(int, existing);
        QFETCH(bool, otherOwner);
        QFETCH(int, mode);
        QCOMPARE(localFirmwareFolder(true, QString()), QString()); // documents location unknown
        const QString folder = m_local->path() + QStringLiteral("/Brevlin Vantor Display Solutions/Vantor Display Firmware Update Tool/Firmware");
        const QByteArray path = QFile::encodeName(folder);
        if (existing == -2)
            QVERIFY(QFile(m_local->path() + QStringLiteral("/Brevlin Vantor Display Solutions")).open(QIODevice::WriteOnly));
        if (existing >= 0)
            QVERIFY(QDir().mkpath(folder) && ::chmod(path.constData(), mode_t(existing)) == 0);
        if (otherOwner && (::geteuid() != 0 || ::chown(path.constData(), 65534, 65534) != 0))
            QSKIP("giving a folder to another user needs root");
        QCOMPARE(localFirmwareFolder(create, m_local->path()), mode < 0 ? QString() : folder);
        QCOMPARE(modeOf(folder), mode);
    }
};

QTEST_GUILESS_MAIN(tst_ReleaseDbRetrieval)
#include "tst_releasedbretrieval.moc"

#include "catalogue/firmwarefolder.h"
#include "catalogue/releasedbretrieval.h"
#include "catalogue/releasedbselection.h"
#include "firmwareserverprocess.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A database document with `records` releases of model "M-<n>".
QByteArray database(int version, int records)
{
    QByteArray json = R"({"info":{"databaseVersion":)" + QByteArray::number(version) + R"(},"firmware":[)";
    for (int i = 0; i < records; ++i) {
        if (i > 0)
            json += ',';
        json += R"({"models":["M-)" + QByteArray::number(i) + R"("],"changes":{"version":"1.0"}})";
    }
    return json + "]}\n";
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A port on 127.0.0.1 that refuses connections.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Makes writes beyond `limit` bytes of any file fail (EFBIG) while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = limit;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

}

class TestReleaseDbRetrieval : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void retrieval_data();
    void retrieval();
    void localCopyLoading_data();
    void localCopyLoading();
    void localCopyIsReplacedWhole();
    void interruptedWriteKeepsPreviousCopy();
    void writeIntoMissingFolderFails();
    void noFirmwareFolder();
    void silentServerFallsBackToLocalCopy();

private:
    QString serverDatabasePath() const;
    QString localPath() const { return localReleaseDatabasePath(m_local->path()); }

    QTemporaryDir m_serverRoot;
    std::unique_ptr<QTemporaryDir> m_local;
    FirmwareServerProcess m_server;
};

void TestReleaseDbRetrieval::initTestCase()
{
    qRegisterMetaType<FirmwareReleaseDb>();
    QVERIFY(m_serverRoot.isValid());
    QVERIFY(QDir(m_serverRoot.path()).mkpath(QStringLiteral("firmwareupdates")));
    QVERIFY2(m_server.start(m_serverRoot.path()), qPrintable(m_server.errorString()));
}

void TestReleaseDbRetrieval::init()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
    QFile::remove(serverDatabasePath());
}

QString TestReleaseDbRetrieval::serverDatabasePath() const
{
    return m_serverRoot.path() + QStringLiteral("/firmwareupdates/pd_firmware_releases.json");
}

void TestReleaseDbRetrieval::retrieval_data()
{
    QTest::addColumn<QByteArray>("serverDocument"); // null: the server has none (404)
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QByteArray>("localDocument"); // null: no local copy
    QTest::addColumn<bool>("serverWins");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("statusText");
    QTest::addColumn<int>("timeout");

    const QByteArray none;
    const QByteArray local5 = database(5, 1);
    const QByteArray garbage = "{\"info\":{\"databaseVersion\":99},\"firmware\":[";
    const QString unreachableText = QStringLiteral(
        "Error 10003 downloading firmware definitions. Check Internet connection and restart.");
    // clang-format off
    QTest::newRow("server newer")            << database(6, 2) << true  << local5 << true  << true  << 6 << 2 << "Downloaded 2 firmware definitions" << 5000;
    QTest::newRow("versions equal")          << database(5, 3) << true  << local5 << false << true  << 5 << 1 << "1 local file firmware definitions" << 5000;
    QTest::newRow("server older")            << database(4, 3) << true  << local5 << false << true  << 5 << 1 << "1 local file firmware definitions" << 5000;
    QTest::newRow("newer without records")   << database(9, 0) << true  << local5 << false << true  << 5 << 1 << "1 local file firmware definitions" << 5000;
    QTest::newRow("server body not JSON")    << QByteArray("<html>maintenance</html>") << true << local5 << false << true << 5 << 1 << "1 local file firmware definitions" << 5000;
    QTest::newRow("server body not a db")    << QByteArray("[1,2]") << true << local5 << false << true << 5 << 1 << "1 local file firmware definitions" << 5000;
    QTest::newRow("server unreachable")      << none           << false << local5 << false << true  << 5 << 1 << unreachableText << 0;
    QTest::newRow("database not on server")  << none           << true  << local5 << false << true  << 5 << 1 << unreachableText << 0;
    QTest::newRow("no local copy")           << database(0, 1) << true  << none   << true  << true  << 0 << 1 << "Downloaded 1 firmware definitions" << 5000;
    QTest::newRow("corrupt local copy")      << database(1, 1) << true  << garbage << true << true  << 1 << 1 << "Downloaded 1 firmware definitions" << 5000;
    QTest::newRow("corrupt copy, server 0")  << database(0, 1) << true  << garbage << false << false << 0 << 0 << "0 local file firmware definitions" << 5000;
    QTest::newRow("both unusable")           << none           << false << none   << false << false << -1 << 0 << unreachableText << 0;
    // clang-format on
}

void TestReleaseDbRetrieval::retrieval()
{
    QFETCH(QByteArray, serverDocument);
    QFETCH(bool, reachable);
    QFETCH(QByteArray, localDocument);
    QFETCH(bool, serverWins);

    if (!serverDocument.isNull())
        QVERIFY(writeFile(serverDatabasePath(), serverDocument));
    if (!localDocument.isNull())
        QVERIFY(writeFile(localPath(), localDocument));
    const QUrl url = reachable
        ? m_server.databaseUrl()
        : QUrl(QStringLiteral("http://127.0.0.1:%1/firmwareupdates/pd_firmware_releases.json").arg(closedPort()));

    ReleaseDbRetrieval retrieval(m_local->path(), url);
    QSignalSpy status(&retrieval, &ReleaseDbRetrieval::statusMessage);
    QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
    retrieval.downloadJsonData();
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.count(), 1);

    const FirmwareReleaseDb db = ready.at(0).at(0).value<FirmwareReleaseDb>();
    QTEST(ready.at(0).at(1).toBool(), "loaded");
    QTEST(db.databaseVersion(), "version");
    QTEST(db.count(), "count");
    QCOMPARE(status.count(), 1);
    QTEST(status.at(0).at(0).toString(), "statusText");
    QTEST(status.at(0).at(1).toInt(), "timeout");

    // The local copy is the server's document byte for byte when the server
    // won, and untouched otherwise.
    const QByteArray expectedLocal = serverWins ? serverDocument : localDocument;
    QCOMPARE(QFileInfo::exists(localPath()), !expectedLocal.isNull());
    QCOMPARE(readFile(localPath()), expectedLocal);
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden).size(), expectedLocal.isNull() ? 0 : 1);
}

void TestReleaseDbRetrieval::localCopyLoading_data()
{
    QTest::addColumn<QByteArray>("document"); // null: no file
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("count");

    QTest::newRow("missing") << QByteArray() << -1 << 0;
    QTest::newRow("empty file") << QByteArray("") << -1 << 0;
    QTest::newRow("valid") << database(8, 2) << 8 << 2;
    QTest::newRow("truncated") << database(8, 2).left(30) << 0 << 0;
    QByteArray large = database(8, 1);
    large.insert(large.indexOf("]}"), QByteArray(999999, ' ')); // valid JSON, beyond the read limit
    QTest::newRow("beyond the read limit") << large << 0 << 0;
}

void TestReleaseDbRetrieval::localCopyLoading()
{
    QFETCH(QByteArray, document);
    if (!document.isNull())
        QVERIFY(writeFile(localPath(), document));
    const FirmwareReleaseDb db = loadLocalDatabase(localPath());
    QTEST(db.databaseVersion(), "version");
    QTEST(db.count(), "count");
}

void TestReleaseDbRetrieval::localCopyIsReplacedWhole()
{
    QVERIFY(writeFile(localPath(), QByteArray(5000, 'x')));
    const QByteArray shorter = database(3, 1);
    QVERIFY(writeLocalCopy(localPath(), shorter));
    QCOMPARE(readFile(localPath()), shorter);
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{kReleaseDatabaseFileName});
}

void TestReleaseDbRetrieval::interruptedWriteKeepsPreviousCopy()
{
    const QByteArray previous = database(5, 2);
    QVERIFY(writeFile(localPath(), previous));
    const QByteArray next = database(6, 3000); // far beyond the limit below

    bool written = true;
    {
        FileSizeLimit limit(4096);
        if (!limit.isActive())
            QSKIP("cannot limit the file size here");
        written = writeLocalCopy(localPath(), next);
    }
    QVERIFY(!written);
    QCOMPARE(readFile(localPath()), previous);
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{kReleaseDatabaseFileName});

    QVERIFY(writeLocalCopy(localPath(), next)); // and works again without the limit
    QCOMPARE(readFile(localPath()), next);
}

void TestReleaseDbRetrieval::writeIntoMissingFolderFails()
{
    QVERIFY(!writeLocalCopy(m_local->path() + QStringLiteral("/missing/pd_firmware_releases.json"), "{}"));
}

void TestReleaseDbRetrieval::noFirmwareFolder()
{
    // Without a firmware folder the server's database still serves, and
    // nothing is written anywhere.
    QVERIFY(writeFile(serverDatabasePath(), database(2, 1)));
    ReleaseDbRetrieval retrieval(QString(), m_server.databaseUrl());
    QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
    retrieval.downloadJsonData();
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.at(0).at(0).value<FirmwareReleaseDb>().databaseVersion(), 2);
    QVERIFY(ready.at(0).at(1).toBool());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/pd_firmware_releases.json")));
}

void TestReleaseDbRetrieval::silentServerFallsBackToLocalCopy()
{
    QVERIFY(writeFile(serverDatabasePath(), database(6, 2)));
    QVERIFY(writeFile(localPath(), database(5, 1)));
    FirmwareServerProcess silent;
    QVERIFY2(silent.start(m_serverRoot.path(), {QStringLiteral("stallHeaders:/firmwareupdates/pd_firmware_releases.json")}),
             qPrintable(silent.errorString()));

    ReleaseDbRetrieval retrieval(m_local->path(), silent.databaseUrl());
    QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
    retrieval.downloadJsonData();
    QVERIFY(ready.wait(15000));
    QVERIFY(ready.at(0).at(1).toBool());
    QCOMPARE(ready.at(0).at(0).value<FirmwareReleaseDb>().databaseVersion(), 5);
}

QTEST_GUILESS_MAIN(TestReleaseDbRetrieval)
#include "tst_releasedbretrieval.moc"

#include "app/timing.h"
#include "catalogue/firmwarefolder.h"
#include "catalogue/releasedbretrieval.h"
#include "catalogue/releasedbselection.h"
#include "tinyhttpserver.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using Behaviour = TinyHttpServer::Behaviour;

namespace {

// A database document with `records` releases of model "M-<n>".
QByteArray database(int version, int records)
{
    QByteArray json = R"({"info":{"databaseVersion":)" + QByteArray::number(version) + R"(},"firmware":[)";
    for (int i = 0; i < records; ++i)
        json += QByteArray(i > 0 ? "," : "") + R"({"models":["M-)" + QByteArray::number(i) + R"("],"changes":{"version":"1.0"}})";
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

}

class tst_ReleaseDbRetrieval : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<FirmwareReleaseDb>(); }
    void init();
    void cleanup() { Timing::setScale(1.0); }
    void retrieval_data();
    void retrieval();
    void noFirmwareFolder();
    void localCopyLoading_data();
    void localCopyLoading();
    void localCopyIsReplacedWholeOrNotAtAll();

private:
    QString localPath() const { return localReleaseDatabasePath(m_local->path()); }
    QStringList localFiles() const { return QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<QTemporaryDir> m_local;
};

void tst_ReleaseDbRetrieval::init()
{
    m_local = std::make_unique<QTemporaryDir>();
    QVERIFY(m_local->isValid());
}

void tst_ReleaseDbRetrieval::retrieval_data()
{
    QTest::addColumn<QString>("server"); // answer, 404, closed port, silent, or slow (a piece every 200 ms)
    QTest::addColumn<QByteArray>("serverDocument");
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
    const QString failed = QStringLiteral("Error 10003 downloading firmware definitions. Check Internet connection and restart.");
    const QString local1 = QStringLiteral("1 local file firmware definitions");
    // clang-format off
    QTest::newRow("server newer")           << "answer" << database(6, 2) << local5  << true  << true  << 6 << 2 << "Downloaded 2 firmware definitions" << 5000;
    QTest::newRow("versions equal")         << "answer" << database(5, 3) << local5  << false << true  << 5 << 1 << local1 << 5000;
    QTest::newRow("server older")           << "answer" << database(4, 3) << local5  << false << true  << 5 << 1 << local1 << 5000;
    QTest::newRow("newer without records")  << "answer" << database(9, 0) << local5  << false << true  << 5 << 1 << local1 << 5000;
    QTest::newRow("server body not JSON")   << "answer" << QByteArray("<html>maintenance</html>") << local5 << false << true << 5 << 1 << local1 << 5000;
    QTest::newRow("server body not a db")   << "answer" << QByteArray("[1,2]") << local5 << false << true << 5 << 1 << local1 << 5000;
    QTest::newRow("no local copy")          << "answer" << database(0, 1) << none    << true  << true  << 0 << 1 << "Downloaded 1 firmware definitions" << 5000;
    QTest::newRow("corrupt local copy")     << "answer" << database(1, 1) << garbage << true  << true  << 1 << 1 << "Downloaded 1 firmware definitions" << 5000;
    QTest::newRow("corrupt copy, server 0") << "answer" << database(0, 1) << garbage << false << false << 0 << 0 << "0 local file firmware definitions" << 5000;
    QTest::newRow("database not on server") << "404"    << none           << local5  << false << true  << 5 << 1 << failed << 0;
    QTest::newRow("server unreachable")     << "closed" << none           << local5  << false << true  << 5 << 1 << failed << 0;
    QTest::newRow("both unusable")          << "closed" << none           << none    << false << false << -1 << 0 << failed << 0;
    QTest::newRow("server never answers")   << "silent" << database(6, 2) << local5  << false << true  << 5 << 1 << failed << 0;
    // Slower to start than the first-response limit of the web probes, never stalled for long.
    QTest::newRow("slow server")            << "slow"   << database(6, 2) << local5  << true  << true  << 6 << 2 << "Downloaded 2 firmware definitions" << 5000;
    // clang-format on
}

void tst_ReleaseDbRetrieval::retrieval()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, serverDocument);
    QFETCH(QByteArray, localDocument);
    QFETCH(bool, serverWins);

    // The stall limit becomes 600 ms.
    Timing::setScale(0.02);
    TinyHttpServer http;
    QVERIFY(http.listen());
    const int piece = serverDocument.size() / 5 + 1;
    const Behaviour behaviour = server == QLatin1String("silent") ? Behaviour::Silent
        : server == QLatin1String("slow")                         ? Behaviour::Stall
                                                                  : Behaviour::Answer;
    if (server != QLatin1String("404"))
        http.setRoute("/db.json", {serverDocument, 200, behaviour, 0});
    QTimer feed;
    connect(&feed, &QTimer::timeout, this, [&] { http.sendMore(piece); });
    QUrl url = http.url(QStringLiteral("/db.json"));
    if (server == QLatin1String("closed")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        url.setPort(closed.serverPort());
    }
    if (!localDocument.isNull())
        QVERIFY(writeFile(localPath(), localDocument));

    ReleaseDbRetrieval retrieval(m_local->path(), url);
    QSignalSpy status(&retrieval, &ReleaseDbRetrieval::statusMessage);
    QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
    retrieval.downloadJsonData();
    if (behaviour == Behaviour::Stall)
        feed.start(200);
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.count(), 1);
    const FirmwareReleaseDb db = ready.at(0).at(0).value<FirmwareReleaseDb>();
    QTEST(ready.at(0).at(1).toBool(), "loaded");
    QTEST(db.databaseVersion(), "version");
    QTEST(db.count(), "count");
    QCOMPARE(status.count(), 1);
    QTEST(status.at(0).at(0).toString(), "statusText");
    QTEST(status.at(0).at(1).toInt(), "timeout");

    // The local copy is the server's document byte for byte when the server won, and untouched otherwise.
    const QByteArray expectedLocal = serverWins ? serverDocument : localDocument;
    QCOMPARE(readFile(localPath()), expectedLocal);
    QCOMPARE(localFiles().size(), expectedLocal.isNull() ? 0 : 1);
}

void tst_ReleaseDbRetrieval::noFirmwareFolder()
{
    // The server's database still serves, and nothing is written anywhere.
    TinyHttpServer http;
    QVERIFY(http.listen());
    http.setRoute("/db.json", {database(2, 1)});
    ReleaseDbRetrieval retrieval(QString(), http.url(QStringLiteral("/db.json")));
    QSignalSpy ready(&retrieval, &ReleaseDbRetrieval::databaseReady);
    retrieval.downloadJsonData();
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.at(0).at(0).value<FirmwareReleaseDb>().databaseVersion(), 2);
    QVERIFY(ready.at(0).at(1).toBool());
    QVERIFY(!QFileInfo::exists(QStringLiteral("/pd_firmware_releases.json")));
}

void tst_ReleaseDbRetrieval::localCopyLoading_data()
{
    QTest::addColumn<QByteArray>("document"); // null: no file
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("count");
    QByteArray large = database(8, 1);
    large.insert(large.indexOf("]}"), QByteArray(999999, ' ')); // valid JSON, beyond the read limit
    QTest::newRow("missing") << QByteArray() << -1 << 0;
    QTest::newRow("empty file") << QByteArray("") << -1 << 0;
    QTest::newRow("valid") << database(8, 2) << 8 << 2;
    QTest::newRow("truncated") << database(8, 2).left(30) << 0 << 0;
    QTest::newRow("beyond the read limit") << large << 0 << 0;
}

void tst_ReleaseDbRetrieval::localCopyLoading()
{
    QFETCH(QByteArray, document);
    if (!document.isNull())
        QVERIFY(writeFile(localPath(), document));
    const FirmwareReleaseDb db = loadLocalDatabase(localPath());
    QTEST(db.databaseVersion(), "version");
    QTEST(db.count(), "count");
}

void tst_ReleaseDbRetrieval::localCopyIsReplacedWholeOrNotAtAll()
{
    QVERIFY(!writeLocalCopy(m_local->path() + QStringLiteral("/missing/pd_firmware_releases.json"), "{}"));
    const QByteArray previous(5000, 'x');
    QVERIFY(writeFile(localPath(), previous));

    // A write that fails part-way (as on a full disk) keeps the previous copy.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeLocalCopy(localPath(), database(6, 3000));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!written);
    QCOMPARE(readFile(localPath()), previous);
    QCOMPARE(localFiles(), QStringList{kReleaseDatabaseFileName});

    const QByteArray shorter = database(3, 1);
    QVERIFY(writeLocalCopy(localPath(), shorter));
    QCOMPARE(readFile(localPath()), shorter);
    QCOMPARE(localFiles(), QStringList{kReleaseDatabaseFileName});
}

QTEST_GUILESS_MAIN(tst_ReleaseDbRetrieval)
#include "tst_releasedbretrieval.moc"

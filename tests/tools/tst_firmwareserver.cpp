// The local firmware server over loopback: the demo catalogue byte for byte,
// package digests as the database states them, each configured fault, and
// requests that try to leave the served folder.

#include "firmwareserverprocess.h"

#include <quazip.h>
#include <quazipfile.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QtTest>

namespace {

const QString kDatabasePath = QStringLiteral("firmwareupdates/pd_firmware_releases.json");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString md5(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

struct Fetched
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    qint64 contentLength = -1;
};

Fetched fetch(const QUrl &url, int timeoutMs = 5000)
{
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = nam.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(timeoutMs + 2000);
    Fetched f;
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.error = reply->error();
    f.body = reply->isOpen() ? reply->readAll() : QByteArray();
    f.contentLength = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    delete reply;
    return f;
}

// A request written by hand, for paths a URL class would normalise.
QByteArray rawRequest(quint16 port, const QByteArray &request)
{
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s.waitForConnected(5000))
        return QByteArray();
    s.write(request);
    QByteArray answer;
    while (s.waitForReadyRead(5000))
        answer += s.readAll();
    return answer;
}

} // namespace

class tst_FirmwareServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void servesDatabaseByteForByte();
    void everyPackageMatchesTheDatabase();
    void faults_data();
    void faults();
    void staysInsideRoot_data();
    void staysInsideRoot();
    void faultsFromFile();
    void rejectsBadStart_data();
    void rejectsBadStart();

private:
    FirmwareServerProcess m_server;
    QJsonArray m_firmware;
};

void tst_FirmwareServer::initTestCase()
{
    const QStringList faults{
        QStringLiteral("notFound:/firmwareupdates/packages/k5r_105.zip"),
        QStringLiteral("serverError:/firmwareupdates/packages/qz_05300.zip"),
        QStringLiteral("stallHeaders:/firmwareupdates/packages/cb_321_120.bin"),
        QStringLiteral("stallBody:/firmwareupdates/packages/ca_241_100.bin"),
        QStringLiteral("drop:/firmwareupdates/packages/tm_981_210.bin"),
        QStringLiteral("corrupt:/firmwareupdates/packages/oh_p605_200.pkg"),
    };
    QVERIFY2(m_server.startDemoCatalogue(faults), qPrintable(m_server.errorString()));
    QVERIFY(m_server.port() != 0);
    m_firmware = QJsonDocument::fromJson(readFile(FirmwareServerProcess::demoCatalogueRoot() + QLatin1Char('/') + kDatabasePath))
                     .object().value(QStringLiteral("firmware")).toArray();
    QVERIFY(m_firmware.size() >= 11);
}

void tst_FirmwareServer::servesDatabaseByteForByte()
{
    QByteArray expected = readFile(FirmwareServerProcess::demoCatalogueRoot() + QLatin1Char('/') + kDatabasePath);
    expected.replace(FirmwareServerProcess::kDemoOrigin,
                     m_server.baseUrl().adjusted(QUrl::RemovePath).toString().toUtf8());
    const Fetched f = fetch(m_server.databaseUrl());
    QCOMPARE(f.status, 200);
    QCOMPARE(f.contentLength, qint64(expected.size()));
    QVERIFY(f.body == expected);
    QVERIFY(m_server.waitForEvent(QStringLiteral("httpRequest"),
                                  {{QStringLiteral("path"), QStringLiteral("/firmwareupdates/pd_firmware_releases.json")},
                                   {QStringLiteral("status"), 200}}));
}

void tst_FirmwareServer::everyPackageMatchesTheDatabase()
{
    const QString packages = FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/firmwareupdates/packages/");
    for (const QJsonValue &v : qAsConst(m_firmware)) {
        const QJsonObject r = v.toObject();
        const QString name = QUrl(r.value(QStringLiteral("downloadLoc")).toString()).fileName();
        const QByteArray data = readFile(packages + name);
        QVERIFY2(!data.isEmpty(), qPrintable(name));
        QCOMPARE(data.size(), r.value(QStringLiteral("fileSize")).toInt());
        QCOMPARE(md5(data), r.value(QStringLiteral("fileChecksum")).toString());
        const QJsonArray unpacked = r.value(QStringLiteral("unpackedFileInfo")).toArray();
        if (unpacked.isEmpty())
            continue;
        QBuffer buffer;
        buffer.setData(data);
        QuaZip zip(&buffer);
        QVERIFY2(zip.open(QuaZip::mdUnzip), qPrintable(name));
        for (const QJsonValue &u : unpacked) {
            const QJsonObject entry = u.toObject();
            QVERIFY(zip.setCurrentFile(entry.value(QStringLiteral("fileName")).toString()));
            QuaZipFile file(&zip);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            QCOMPARE(content.size(), entry.value(QStringLiteral("fileSize")).toInt());
            QCOMPARE(md5(content), entry.value(QStringLiteral("fileChecksum")).toString());
        }
    }
    // The packages as served are the files.
    const Fetched f = fetch(m_server.urlFor(QStringLiteral("firmwareupdates/packages/k5_432_r1400.zip")));
    QCOMPARE(f.status, 200);
    QVERIFY(f.body == readFile(packages + QStringLiteral("k5_432_r1400.zip")));
}

void tst_FirmwareServer::faults_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("outcome"); // what the body looks like
    QTest::newRow("404") << "k5r_105.zip" << 404 << int(QNetworkReply::ContentNotFoundError) << "";
    QTest::newRow("500") << "qz_05300.zip" << 500 << int(QNetworkReply::InternalServerError) << "";
    QTest::newRow("stalled headers") << "cb_321_120.bin" << 0 << int(QNetworkReply::OperationCanceledError) << "";
    QTest::newRow("stalled body") << "ca_241_100.bin" << 200 << int(QNetworkReply::OperationCanceledError) << "short";
    QTest::newRow("dropped") << "tm_981_210.bin" << 200 << int(QNetworkReply::RemoteHostClosedError) << "short";
    QTest::newRow("corrupt") << "oh_p605_200.pkg" << 200 << int(QNetworkReply::NoError) << "corrupt";
}

void tst_FirmwareServer::faults()
{
    QFETCH(QString, package);
    QFETCH(int, status);
    QFETCH(int, error);
    QFETCH(QString, outcome);
    const QByteArray file = readFile(FirmwareServerProcess::demoCatalogueRoot() + QStringLiteral("/firmwareupdates/packages/") + package);
    const Fetched f = fetch(m_server.urlFor(QStringLiteral("firmwareupdates/packages/") + package), 700);
    QCOMPARE(f.status, status);
    QCOMPARE(int(f.error), error);
    if (outcome == QLatin1String("short")) {
        QCOMPARE(f.contentLength, qint64(file.size()));
        QVERIFY(f.body.size() < file.size());
    } else if (outcome == QLatin1String("corrupt")) {
        QCOMPARE(f.body.size(), file.size());
        QVERIFY(md5(f.body) != md5(file));
    }
}

void tst_FirmwareServer::staysInsideRoot_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusLine");
    QTest::newRow("parent") << QByteArray("GET /../make_demo_catalogue.py HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404");
    QTest::newRow("encoded parent") << QByteArray("GET /firmwareupdates/%2e%2e/%2e%2e/README.md HTTP/1.1\r\n\r\n")
                                    << QByteArray("HTTP/1.1 404");
    QTest::newRow("folder") << QByteArray("GET /firmwareupdates/packages HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404");
    QTest::newRow("post") << QByteArray("POST /firmwareupdates/pd_firmware_releases.json HTTP/1.1\r\nContent-Length: 0\r\n\r\n")
                          << QByteArray("HTTP/1.1 405");
    QTest::newRow("garbage") << QByteArray("\x16\x03\x01 hello\r\n\r\n") << QByteArray("HTTP/1.1 400");
    QTest::newRow("NUL in path") << QByteArray("GET /firmwareupdates/pd_firmware_releases.json%00.txt HTTP/1.1\r\n\r\n")
                                 << QByteArray("HTTP/1.1 404");
}

void tst_FirmwareServer::staysInsideRoot()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    const QByteArray answer = rawRequest(m_server.port(), request);
    QVERIFY2(answer.startsWith(statusLine), answer.left(40).constData());
}

void tst_FirmwareServer::faultsFromFile()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("faults.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"faults": [{"kind": "notFound", "path": "/firmwareupdates/pd_firmware_releases.json"}]})");
    file.close();
    FirmwareServerProcess server;
    server.setExtraArguments({QStringLiteral("--faults"), file.fileName()});
    QVERIFY2(server.startDemoCatalogue(), qPrintable(server.errorString()));
    QCOMPARE(fetch(server.databaseUrl()).status, 404);
    QCOMPARE(fetch(server.urlFor(QStringLiteral("firmwareupdates/packages/k5r_105.zip"))).status, 200);
}

void tst_FirmwareServer::rejectsBadStart_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("errorPart");
    const QString demo = FirmwareServerProcess::demoCatalogueRoot();
    QTest::newRow("missing root") << QStringLiteral("/nonexistent/folder") << QStringList() << "--root";
    QTest::newRow("unknown fault kind") << demo << QStringList{QStringLiteral("explode:/x")} << "bad fault";
    QTest::newRow("fault without path") << demo << QStringList{QStringLiteral("drop")} << "bad fault";
    QTest::newRow("relative fault path") << demo << QStringList{QStringLiteral("drop:x.zip")} << "bad fault";
}

void tst_FirmwareServer::rejectsBadStart()
{
    QFETCH(QString, root);
    QFETCH(QStringList, faults);
    QFETCH(QString, errorPart);
    FirmwareServerProcess server;
    QVERIFY(!server.start(root, faults));
    QVERIFY2(server.errorString().contains(errorPart), qPrintable(server.errorString()));
}

QTEST_GUILESS_MAIN(tst_FirmwareServer)
#include "tst_firmwareserver.moc"

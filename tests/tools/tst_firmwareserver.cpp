// The generated demo catalogue names the true size and MD5 of every package
// and unpacked file; the firmware server serves a package byte for byte,
// answers a missing one with 404, and shows the two package faults as the
// application meets them: a wrong digest, and an intact download of an
// archive that lacks an entry.

#include "firmwareserverprocess.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QtTest>

#include <quazip.h>
#include <quazipfile.h>

namespace {

QString md5(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

QByteArray demoFile(const QString &path)
{
    QFile f(FirmwareServerProcess::demoCatalogueRoot() + QLatin1String("/firmwareupdates/") + path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonArray releases(const QByteArray &database)
{
    return QJsonDocument::fromJson(database).object().value(QLatin1String("firmware")).toArray();
}

QJsonObject releaseOf(const QJsonArray &firmware, const QString &package)
{
    for (const QJsonValue &v : firmware) {
        if (v[QLatin1String("downloadLoc")].toString().endsWith(QLatin1Char('/') + package))
            return v.toObject();
    }
    return {};
}

// Entry names and contents of a zip archive; none when `data` is no archive.
QMap<QString, QByteArray> zipEntries(QByteArray data)
{
    QBuffer buffer(&data);
    QuaZip zip(&buffer);
    QMap<QString, QByteArray> entries;
    if (!zip.open(QuaZip::mdUnzip))
        return entries;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (file.open(QIODevice::ReadOnly))
            entries.insert(zip.getCurrentFileName(), file.readAll());
    }
    return entries;
}

// Status (0: no answer in time) and body.
QPair<int, QByteArray> get(const QUrl &url)
{
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setTransferTimeout(5000);
    QScopedPointer<QNetworkReply> reply(nam.get(request));
    QSignalSpy(reply.data(), &QNetworkReply::finished).wait(7000);
    return qMakePair(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll());
}

} // namespace

class tst_FirmwareServer : public QObject
{
    Q_OBJECT

private slots:
    void catalogueMatchesItsPackages();
    void servesPackagesAndFaults();
};

void tst_FirmwareServer::catalogueMatchesItsPackages()
{
    const QJsonArray firmware = releases(demoFile(QStringLiteral("pd_firmware_releases.json")));
    QVERIFY(!firmware.isEmpty());
    int archives = 0;
    for (const QJsonValue &value : firmware) {
        const QString package = value[QLatin1String("downloadLoc")].toString().section(QLatin1Char('/'), -1);
        const QByteArray data = demoFile(QStringLiteral("packages/") + package);
        QVERIFY2(!data.isEmpty() && value[QLatin1String("fileSize")].toInt() == data.size()
                     && value[QLatin1String("fileChecksum")].toString() == md5(data),
                 qPrintable(package));
        // Single-file packages are no archives and name no unpacked files.
        const QJsonArray unpacked = value[QLatin1String("unpackedFileInfo")].toArray();
        const QMap<QString, QByteArray> entries = zipEntries(data);
        QCOMPARE(entries.size(), unpacked.size());
        for (const QJsonValue &file : unpacked) {
            const QByteArray contents = entries.value(file[QLatin1String("fileName")].toString());
            QVERIFY2(!contents.isEmpty() && file[QLatin1String("fileSize")].toInt() == contents.size()
                         && file[QLatin1String("fileChecksum")].toString() == md5(contents),
                     qPrintable(package + QLatin1Char(' ') + file[QLatin1String("fileName")].toString()));
        }
        archives += unpacked.isEmpty() ? 0 : 1;
    }
    QVERIFY(archives > 0 && archives < firmware.size());
}

void tst_FirmwareServer::servesPackagesAndFaults()
{
    const QString corrupted = QStringLiteral("oh_p605_200.pkg");
    const QString shortened = QStringLiteral("k4_04200.zip");
    const QString packages = QStringLiteral("firmwareupdates/packages/");
    FirmwareServerProcess server;
    QVERIFY2(server.startDemoCatalogue({QStringLiteral("corrupt:/") + packages + corrupted,
                                        QStringLiteral("missingEntry:/") + packages + shortened}),
             qPrintable(server.errorString()));
    const QPair<int, QByteArray> database = get(server.databaseUrl());
    QCOMPARE(database.first, 200);
    const QJsonArray firmware = releases(database.second);

    // Intact: the file as generated, at the URL and with the size and MD5 the served database names.
    const QString intact = QStringLiteral("k5_432_r1400.zip");
    const QPair<int, QByteArray> served = get(server.urlFor(packages + intact));
    QCOMPARE(served, qMakePair(200, demoFile(QStringLiteral("packages/") + intact)));
    const QJsonObject release = releaseOf(firmware, intact);
    QCOMPARE(QUrl(release[QLatin1String("downloadLoc")].toString()), server.urlFor(packages + intact));
    QCOMPARE(release[QLatin1String("fileSize")].toInt(), served.second.size());
    QCOMPARE(release[QLatin1String("fileChecksum")].toString(), md5(served.second));
    QCOMPARE(get(server.urlFor(packages + QStringLiteral("none.zip"))).first, 404);

    // corrupt: the size the database names, another digest.
    const QPair<int, QByteArray> corrupt = get(server.urlFor(packages + corrupted));
    QCOMPARE(corrupt.first, 200);
    QCOMPARE(corrupt.second.size(), releaseOf(firmware, corrupted)[QLatin1String("fileSize")].toInt());
    QVERIFY(md5(corrupt.second) != releaseOf(firmware, corrupted)[QLatin1String("fileChecksum")].toString());

    // missingEntry: the database names the shortened archive, which holds
    // every unpacked file but the last.
    const QPair<int, QByteArray> missing = get(server.urlFor(packages + shortened));
    QCOMPARE(missing.first, 200);
    const QJsonObject incomplete = releaseOf(firmware, shortened);
    QCOMPARE(incomplete[QLatin1String("fileSize")].toInt(), missing.second.size());
    QCOMPARE(incomplete[QLatin1String("fileChecksum")].toString(), md5(missing.second));
    const QJsonArray unpacked = incomplete[QLatin1String("unpackedFileInfo")].toArray();
    QVERIFY(unpacked.size() > 1);
    const QMap<QString, QByteArray> entries = zipEntries(missing.second);
    QCOMPARE(entries.size(), unpacked.size() - 1);
    for (int i = 0; i + 1 < unpacked.size(); ++i) {
        QCOMPARE(md5(entries.value(unpacked[i][QLatin1String("fileName")].toString())),
                 unpacked[i][QLatin1String("fileChecksum")].toString());
    }
}

QTEST_GUILESS_MAIN(tst_FirmwareServer)
#include "tst_firmwareserver.moc"

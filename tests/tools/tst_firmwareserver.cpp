// The firmware server serves every package of the generated demo catalogue
// at the URL the served database names, with the size and MD5 it names, and
// every unpacked file it names inside; it answers a missing package with 404
// and shows the two package faults as the application meets them: a wrong
// digest, and an intact download of an archive that lacks an entry.

#include "firmwareserverprocess.h"

#include <QBuffer>
#include <QCryptographicHash>
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

QJsonArray releases(const QByteArray &database)
{
    return QJsonDocument::fromJson(database).object().value(QLatin1String("firmware")).toArray();
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
    void servesTheCatalogueAndItsFaults();
};

void tst_FirmwareServer::servesTheCatalogueAndItsFaults()
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
    QVERIFY(!firmware.isEmpty());
    int archives = 0;
    for (const QJsonValue &value : firmware) {
        const QUrl url(value[QLatin1String("downloadLoc")].toString());
        const QString package = url.fileName();
        QCOMPARE(url, server.urlFor(packages + package));
        // corrupt: the size the database names, another digest.
        const QPair<int, QByteArray> served = get(url);
        QVERIFY2(served.first == 200 && value[QLatin1String("fileSize")].toInt() == served.second.size()
                     && (value[QLatin1String("fileChecksum")].toString() == md5(served.second)) != (package == corrupted),
                 qPrintable(package));
        // Single-file packages are no archives and name no unpacked files;
        // missingEntry: the archive holds every unpacked file but the last.
        const QJsonArray unpacked = value[QLatin1String("unpackedFileInfo")].toArray();
        const QMap<QString, QByteArray> entries = zipEntries(served.second);
        const int held = int(unpacked.size()) - (package == shortened ? 1 : 0);
        QCOMPARE(entries.size(), held);
        for (int i = 0; i < held; ++i) {
            const QByteArray contents = entries.value(unpacked[i][QLatin1String("fileName")].toString());
            QVERIFY2(!contents.isEmpty() && unpacked[i][QLatin1String("fileSize")].toInt() == contents.size()
                         && unpacked[i][QLatin1String("fileChecksum")].toString() == md5(contents),
                     qPrintable(package + QLatin1Char(' ') + unpacked[i][QLatin1String("fileName")].toString()));
        }
        archives += unpacked.isEmpty() ? 0 : 1;
    }
    QVERIFY(archives > 0 && archives < firmware.size());
    QCOMPARE(get(server.urlFor(packages + QStringLiteral("none.zip"))).first, 404);
}

QTEST_GUILESS_MAIN(tst_FirmwareServer)
#include "tst_firmwareserver.moc"

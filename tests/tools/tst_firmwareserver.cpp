// The firmware server as a program: a package of the demo catalogue served
// byte for byte, a missing one answered 404, a corrupted one of the same size.

#include "firmwareserverprocess.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QtTest>

class tst_FirmwareServer : public QObject
{
    Q_OBJECT

private slots:
    void servesFilesAndFaults();
};

void tst_FirmwareServer::servesFilesAndFaults()
{
    const QString corrupted = QStringLiteral("firmwareupdates/packages/oh_p605_200.pkg");
    FirmwareServerProcess server;
    QVERIFY2(server.startDemoCatalogue({QStringLiteral("corrupt:/") + corrupted}), qPrintable(server.errorString()));
    const auto get = [](const QUrl &url) { // status (0: no answer in time) and body
        QNetworkAccessManager nam;
        nam.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(url);
        request.setTransferTimeout(5000);
        QScopedPointer<QNetworkReply> reply(nam.get(request));
        QSignalSpy(reply.data(), &QNetworkReply::finished).wait(7000);
        return qMakePair(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll());
    };
    const auto demoFile = [](const QString &path) {
        QFile f(FirmwareServerProcess::demoCatalogueRoot() + QLatin1Char('/') + path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QString package = QStringLiteral("firmwareupdates/packages/k5_432_r1400.zip");
    QCOMPARE(get(server.urlFor(package)), qMakePair(200, demoFile(package)));
    QCOMPARE(get(server.urlFor(QStringLiteral("firmwareupdates/packages/none.zip"))).first, 404);
    const QPair<int, QByteArray> corrupt = get(server.urlFor(corrupted));
    QCOMPARE(corrupt.first, 200);
    QCOMPARE(corrupt.second.size(), demoFile(corrupted).size());
    QVERIFY(corrupt.second != demoFile(corrupted));
}

QTEST_GUILESS_MAIN(tst_FirmwareServer)
#include "tst_firmwareserver.moc"

#include "lanupdate/updaterequests.h"

#include <QtTest>

using namespace LanUpdate;

Q_DECLARE_METATYPE(LanUpdate::Request)

// Every request of the five update dialects against the documented bytes.
class tst_UpdateRequests : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void inputs();
};

namespace {

const QString kAddress = QStringLiteral("192.0.2.10");
const QByteArray kStamp = "090503007";
const QByteArray kToken = "0f8fad5b-d9cb-469f-a165-70867728950e";

const QByteArray kSetA = "X-Requested-With: XMLHttpRequest\nAccept: text/plain, */*\nAccept-Language: ja\n"
                         "Content-type: text/plain;charset=UTF-8\nAccept-Encoding: gzip, deflate\nHost: 192.0.2.10\n";
const QByteArray kSetJ = "X-Requested-With: XMLHttpRequest\nAccept: application/json, text/javascript, */*\n"
                         "Accept-Language: ja\nAccept-Encoding: gzip, deflate\nHost: 192.0.2.10\nConnection: Keep-Alive\n";
const QByteArray kSetB = kSetA + "Connection: Keep-Alive\nCache-Control: no-cache\n";
QByteArray setA(int length)
{
    return kSetA + "Content-Length: " + QByteArray::number(length) + "\nConnection: Keep-Alive\nCache-Control: no-cache\n";
}
QByteArray setD(const char *separator, qint64 length)
{
    return QByteArray("Host: update-tool.local\nContent-type: multipart/form-data") + separator
        + " boundary=AaB03x\nCache-Control: no-cache\nAccept: */*\nContent-Length: " + QByteArray::number(length) + '\n';
}
const QByteArray kUrlEncoded = "Content-Type: application/x-www-form-urlencoded\n";

const QByteArray kM1Head = "--AaB03x\r\nContent-Disposition: form-data; name=\"email\"\r\n\r\nupdate-tool@example.com\r\n"
                           "--AaB03x\r\nContent-Disposition: form-data; name=\"updatefile\"; filename=\"fw.pkg\"\r\n"
                           "Content-Transfer-Encoding: binary\r\n\r\n";
const QByteArray kM2Head = "--AaB03x\r\nContent-Disposition: form-data; name=\"updatefile\"; filename=\"fw.pkg\"\r\n"
                           "Content-Transfer-Encoding: binary\r\n\r\n";
const QByteArray kTail = "\r\n--AaB03x--\r\n";

QByteArray headerText(const HeaderList &headers)
{
    QByteArray text;
    for (const auto &field : headers)
        text += field.first + ": " + field.second + '\n';
    return text;
}

}

void tst_UpdateRequests::requests_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body"); // with "<file>" where the file goes

    const QString file = QStringLiteral("/firmware/dir/fw.pkg");
    const qint64 size = 1000;
    const qint64 m1 = kM1Head.size() + size + kTail.size();
    const qint64 m2 = kM2Head.size() + size + kTail.size();
    const QByteArray undefined = "undefined\r\n";

    QTest::newRow("cgi standby") << standbyCommand(Dialect::Cgi, kAddress, kStamp) << QByteArray("POST")
                                 << QByteArray("/cgi-bin/cgictrl?MM=00t=090503007") << setA(11) << undefined;
    QTest::newRow("timed standby") << standbyCommand(Dialect::Timed, kAddress, kStamp) << QByteArray("POST")
                                   << QByteArray("/pjctrl?J=090503007") << setA(11) << undefined;
    QTest::newRow("file delete") << fileDeleteCommand(kAddress, kStamp) << QByteArray("POST")
                                 << QByteArray("/cgi-bin/cgictrl?TCM=00t=090503007") << setA(11) << undefined;
    QTest::newRow("cgi upload state") << uploadStateQuery(Dialect::Cgi, kAddress, kStamp) << QByteArray("GET")
                                      << QByteArray("/update/FileCheckResult.json?_=090503007") << kSetJ << QByteArray();
    QTest::newRow("timed upload state") << uploadStateQuery(Dialect::Timed, kAddress, kStamp) << QByteArray("GET")
                                        << QByteArray("/pjctrl?CIM=090503007") << kSetB << QByteArray();
    QTest::newRow("cgi upload") << fileUpload(Dialect::Cgi, kAddress, kStamp, file, size) << QByteArray("POST")
                                << QByteArray("/cgi-bin/cgictrl?CM=00t=090503007") << setD(",", m1)
                                << kM1Head + "<file>" + kTail;
    QTest::newRow("timed upload") << fileUpload(Dialect::Timed, kAddress, kStamp, file, size) << QByteArray("POST")
                                  << QByteArray("/pjctrl?CM=00t=090503007") << setD(";", m2) << kM2Head + "<file>" + kTail;
    QTest::newRow("legacy upload") << componentUpload(kAddress, file, size) << QByteArray("POST")
                                   << QByteArray("/cgi-bin/cgictrl?U=77777") << setD(",", m1) << kM1Head + "<file>" + kTail;
    QTest::newRow("timed file check") << fileCheckQuery(kAddress, kStamp) << QByteArray("GET")
                                      << QByteArray("/pjctrl?CRM=090503007") << kSetB << QByteArray();
    QTest::newRow("mode change") << modeChangeCommand(kAddress, kStamp) << QByteArray("POST")
                                 << QByteArray("/cgi-bin/cgictrl?TUM=00t=090503007") << setA(0) << QByteArray("");
    QTest::newRow("cgi update 1,3") << updateCommand(Dialect::Cgi, kAddress, "1,3", kStamp) << QByteArray("POST")
                                    << QByteArray("/cgi-bin/cgictrl?UM=00T=1,3t=090503007") << setA(0) << QByteArray("");
    QTest::newRow("timed update, none") << updateCommand(Dialect::Timed, kAddress, "", kStamp) << QByteArray("POST")
                                        << QByteArray("/pjctrl?UM=00T=t=090503007") << setA(0) << QByteArray("");
    QTest::newRow("cgi update result") << updateResultQuery(Dialect::Cgi, kAddress, kStamp) << QByteArray("GET")
                                       << QByteArray("/update/UpdateResult.json?=_090503007") << kSetJ << QByteArray();
    QTest::newRow("timed update result") << updateResultQuery(Dialect::Timed, kAddress, kStamp) << QByteArray("GET")
                                         << QByteArray("/pjctrl?URM=090503007") << kSetB << QByteArray();

    const QByteArray token = "&_=" + kToken;
    QTest::newRow("chunked standby") << chunkedRequest(ChunkedCommand::Standby, kAddress, kToken) << QByteArray("GET")
                                     << "/pjctrl?J=0" + token << QByteArray() << QByteArray();
    QTest::newRow("chunked upload state") << chunkedRequest(ChunkedCommand::UploadState, kAddress, kToken)
                                          << QByteArray("POST") << "/pjctrl?CIM=0" + token << kUrlEncoded << QByteArray("");
    QTest::newRow("chunked announcement") << chunkedAnnouncement(kAddress, 768000, kToken) << QByteArray("POST")
                                          << "/pjctrl?CM=00" + token << kUrlEncoded << QByteArray("filesize=768000");
    QTest::newRow("chunked chunk") << chunkedRequest(ChunkedCommand::Upload, kAddress, kToken, "\x01\x02")
                                   << QByteArray("POST") << "/pjctrl?CM=00" + token << kUrlEncoded << QByteArray("\x01\x02");
    QTest::newRow("chunked file check") << chunkedRequest(ChunkedCommand::FileCheck, kAddress, kToken)
                                        << QByteArray("GET") << "/pjctrl?CRM=0" + token << QByteArray() << QByteArray();
    QTest::newRow("chunked update") << chunkedRequest(ChunkedCommand::Update, kAddress, kToken) << QByteArray("POST")
                                    << "/pjctrl?UM=00T=9" + token << kUrlEncoded << QByteArray("");
    QTest::newRow("chunked update result") << chunkedRequest(ChunkedCommand::UpdateResult, kAddress, kToken)
                                           << QByteArray("GET") << "/pjctrl?URM=0" + token << QByteArray() << QByteArray();
}

void tst_UpdateRequests::requests()
{
    QFETCH(Request, request);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);

    QCOMPARE(request.method, method);
    QCOMPARE(request.url.toEncoded(), "http://192.0.2.10" + target);
    QCOMPARE(headerText(request.headers), headers);
    const QByteArray sent = request.body + (request.bodyFile.isEmpty() ? QByteArray() : "<file>") + request.bodyTail;
    QCOMPARE(sent, body);
    if (!request.bodyFile.isEmpty())
        QCOMPARE(request.bodyLength(), request.header("content-length").toLongLong());
}

void tst_UpdateRequests::inputs()
{
    QCOMPARE(timeStamp(QTime(9, 5, 3, 7)), QByteArray("090503007"));
    QCOMPARE(componentList({true, false, true, false, false, false}), QByteArray("1,3"));
    QCOMPARE(componentList({}), QByteArray(""));
    // MD5 of "QbNeRoTa", the token in lower-case hex and LF (the usual token's key, the upload
    // URL and the request token's form: the simulated displays of tst_httpclient check them).
    QCOMPARE(uploadKey(0), QByteArray("1d2262c6d38479b519459a730304d003"));
    QCOMPARE(uploadKey(-1), QByteArray("f66724f1cbbabe737c4766826b89c479"));
    QCOMPARE(keyedContentDisposition(QStringLiteral("/fw dir/ü.bin")),
             QByteArray("form-data; name=\"file\"; filename=\"/fw dir/\xc3\xbc.bin\""));
}

QTEST_GUILESS_MAIN(tst_UpdateRequests)
#include "tst_updaterequests.moc"

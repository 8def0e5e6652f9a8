#include "lanupdate/updaterequests.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QUuid>

namespace LanUpdate {

namespace {

// Nothing on the display reads these back; they only have to be well formed.
const char kUploadHost[] = "update-tool.local";
const char kUploadEmail[] = "update-tool@example.com";
const char kUploadSalt[] = "QbNeRoTa";
const char kBoundary[] = "AaB03x";

QString commandPath(Dialect dialect)
{
    return dialect == Dialect::Chunked || dialect == Dialect::Timed ? QStringLiteral("/pjctrl")
                                                                     : QStringLiteral("/cgi-bin/cgictrl");
}

// The query goes out exactly as written (its "=", "," and "_" untouched).
QUrl displayUrl(const QString &address, const QString &path, const QByteArray &query)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address);
    url.setPath(path);
    if (!query.isNull())
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

Request make(const QByteArray &method, const QUrl &url, const HeaderList &headerList, const QByteArray &body)
{
    Request request;
    request.method = method;
    request.url = url;
    request.headers = headerList;
    request.body = body;
    return request;
}

const QByteArray kUndefinedBody = QByteArrayLiteral("undefined\r\n");

Request command(const QString &address, const QString &path, const QByteArray &query, const QByteArray &body)
{
    return make("POST", displayUrl(address, path, query), headers(HeaderSet::A, address, body.size()), body);
}

Request upload(Dialect dialect, const QUrl &url, const QString &filePath, qint64 fileSize)
{
    const Multipart form = dialect == Dialect::Timed ? Multipart::M2 : Multipart::M1;
    Request request;
    request.method = "POST";
    request.url = url;
    request.body = multipartHead(form, filePath);
    request.bodyFile = filePath;
    request.bodyFileSize = fileSize;
    request.bodyTail = multipartTail();
    request.headers = headers(form == Multipart::M2 ? HeaderSet::D2 : HeaderSet::D1, QString(), request.bodyLength());
    return request;
}

}

Dialect dialectForSeries(SeriesId series)
{
    switch (series) {
    case Series::Kestrel4:
    case Series::Quartz:
        return Dialect::Legacy;
    case Series::Kestrel5:
    case Series::Halcyon:
    case Series::Kestrel5Uhd:
    case Series::Kestrel5Rx:
        return Dialect::Cgi;
    case Series::OspreyL:
        return Dialect::Chunked;
    case Series::OspreyH:
        return Dialect::Timed;
    case Series::Tamarind:
        return Dialect::Keyed;
    default:
        return Dialect::None;
    }
}

QByteArray Request::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QByteArray();
}

QByteArray timeStamp(const QTime &time)
{
    return time.toString(QStringLiteral("hhmmsszzz")).toLatin1();
}

QByteArray requestToken()
{
    return QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toLower();
}

QByteArray componentList(const SlotFlags &pending)
{
    QList<QByteArray> numbers;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (pending[slot])
            numbers.append(QByteArray::number(slot + 1));
    }
    return numbers.join(',');
}

HeaderList headers(HeaderSet set, const QString &address, qint64 contentLength)
{
    const QByteArray host = address.toLatin1();
    const QByteArray length = QByteArray::number(contentLength);
    switch (set) {
    case HeaderSet::A:
    case HeaderSet::B: {
        HeaderList list{{"X-Requested-With", "XMLHttpRequest"},
                        {"Accept", "text/plain, */*"},
                        {"Accept-Language", "ja"},
                        {"Content-type", "text/plain;charset=UTF-8"},
                        {"Accept-Encoding", "gzip, deflate"},
                        {"Host", host}};
        if (set == HeaderSet::A)
            list.append(qMakePair(QByteArray("Content-Length"), length));
        list.append(qMakePair(QByteArray("Connection"), QByteArray("Keep-Alive")));
        list.append(qMakePair(QByteArray("Cache-Control"), QByteArray("no-cache")));
        return list;
    }
    case HeaderSet::J:
        return {{"X-Requested-With", "XMLHttpRequest"},
                {"Accept", "application/json, text/javascript, */*"},
                {"Accept-Language", "ja"},
                {"Accept-Encoding", "gzip, deflate"},
                {"Host", host},
                {"Connection", "Keep-Alive"}};
    case HeaderSet::D1:
    case HeaderSet::D2:
        return {{"Host", kUploadHost},
                {"Content-type", set == HeaderSet::D1 ? "multipart/form-data, boundary=AaB03x"
                                                      : "multipart/form-data; boundary=AaB03x"},
                {"Cache-Control", "no-cache"},
                {"Accept", "*/*"},
                {"Content-Length", length}};
    }
    return {};
}

QByteArray multipartHead(Multipart form, const QString &filePath)
{
    const QByteArray delimiter = QByteArray("--") + kBoundary + "\r\n";
    QByteArray head = delimiter;
    if (form == Multipart::M1) {
        head += "Content-Disposition: form-data; name=\"email\"\r\n\r\n";
        head += QByteArray(kUploadEmail) + "\r\n";
        head += delimiter;
    }
    head += "Content-Disposition: form-data; name=\"updatefile\"; filename=\"";
    head += QFileInfo(filePath).fileName().toUtf8();
    head += "\"\r\nContent-Transfer-Encoding: binary\r\n\r\n";
    return head;
}

QByteArray multipartTail()
{
    return QByteArray("\r\n--") + kBoundary + "--\r\n";
}

Request standbyCommand(Dialect dialect, const QString &address, const QByteArray &stamp)
{
    const QByteArray query = (dialect == Dialect::Timed ? "J=" : "MM=00t=") + stamp;
    return command(address, commandPath(dialect), query, kUndefinedBody);
}

Request fileDeleteCommand(const QString &address, const QByteArray &stamp)
{
    return command(address, commandPath(Dialect::Cgi), "TCM=00t=" + stamp, kUndefinedBody);
}

Request uploadStateQuery(Dialect dialect, const QString &address, const QByteArray &stamp)
{
    if (dialect == Dialect::Timed) {
        return make("GET", displayUrl(address, commandPath(dialect), "CIM=" + stamp),
                    headers(HeaderSet::B, address, 0), QByteArray());
    }
    return make("GET", displayUrl(address, QStringLiteral("/update/FileCheckResult.json"), "_=" + stamp),
                headers(HeaderSet::J, address, 0), QByteArray());
}

Request fileUpload(Dialect dialect, const QString &address, const QByteArray &stamp, const QString &filePath,
                   qint64 fileSize)
{
    return upload(dialect, displayUrl(address, commandPath(dialect), "CM=00t=" + stamp), filePath, fileSize);
}

Request fileCheckQuery(const QString &address, const QByteArray &stamp)
{
    return make("GET", displayUrl(address, commandPath(Dialect::Timed), "CRM=" + stamp),
                headers(HeaderSet::B, address, 0), QByteArray());
}

Request modeChangeCommand(const QString &address, const QByteArray &stamp)
{
    return command(address, commandPath(Dialect::Cgi), "TUM=00t=" + stamp, QByteArray(""));
}

Request updateCommand(Dialect dialect, const QString &address, const QByteArray &components, const QByteArray &stamp)
{
    return command(address, commandPath(dialect), "UM=00T=" + components + "t=" + stamp, QByteArray(""));
}

Request updateResultQuery(Dialect dialect, const QString &address, const QByteArray &stamp)
{
    if (dialect == Dialect::Timed) {
        return make("GET", displayUrl(address, commandPath(dialect), "URM=" + stamp),
                    headers(HeaderSet::B, address, 0), QByteArray());
    }
    return make("GET", displayUrl(address, QStringLiteral("/update/UpdateResult.json"), "=_" + stamp),
                headers(HeaderSet::J, address, 0), QByteArray());
}

Request componentUpload(const QString &address, const QString &filePath, qint64 fileSize)
{
    return upload(Dialect::Legacy, displayUrl(address, commandPath(Dialect::Legacy), "U=77777"), filePath,
                  fileSize);
}

Request chunkedRequest(ChunkedCommand command, const QString &address, const QByteArray &token,
                       const QByteArray &body)
{
    static const char *const commands[] = {"J=0", "CIM=0", "CM=00", "CRM=0", "UM=00T=9", "URM=0"};
    static const bool posts[] = {false, true, true, false, true, false};
    const int index = int(command);
    const QUrl url = displayUrl(address, commandPath(Dialect::Chunked),
                                QByteArray(commands[index]) + "&_=" + token);
    if (!posts[index])
        return make("GET", url, {}, QByteArray());
    return make("POST", url, {{"Content-Type", "application/x-www-form-urlencoded"}},
                body.isNull() ? QByteArray("") : body);
}

Request chunkedAnnouncement(const QString &address, qint64 fileSize, const QByteArray &token)
{
    return chunkedRequest(ChunkedCommand::Upload, address, token, "filesize=" + QByteArray::number(fileSize));
}

QByteArray uploadKey(qint32 uploadToken)
{
    // A negative token is written as its 32-bit two's complement.
    const QByteArray text = kUploadSalt + QByteArray::number(quint32(uploadToken), 16).toLower() + '\n';
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QUrl keyedUploadUrl(const QString &address)
{
    return displayUrl(address, QStringLiteral("/upload"), QByteArray());
}

QByteArray keyedContentDisposition(const QString &filePath)
{
    return "form-data; name=\"file\"; filename=\"" + filePath.toUtf8() + '"';
}

}

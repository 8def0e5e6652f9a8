#include "simprotocol/httpmessage.h"

namespace HttpMessage {

Parse parseHead(const QByteArray &buffer, HttpRequest *request, int *headLength)
{
    *headLength = 0;
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return buffer.size() > kMaxHeaderBytes ? Parse::Bad : Parse::Incomplete;
    if (headerEnd > kMaxHeaderBytes)
        return Parse::Bad;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.")
        || !requestLine.at(1).startsWith('/'))
        return Parse::Bad;
    HttpRequest r;
    r.method = requestLine.at(0);
    r.target = requestLine.at(1);
    const int q = r.target.indexOf('?');
    r.path = q < 0 ? r.target : r.target.left(q);
    r.query = q < 0 ? QByteArray() : r.target.mid(q + 1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon <= 0)
            return Parse::Bad;
        const QByteArray name = lines.at(i).left(colon).trimmed();
        const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
        r.headers.insert(name.toLower(), value);
        r.headerList.append({name, value});
    }
    if (r.headers.contains("content-length")) {
        bool ok = false;
        r.contentLength = r.headers.value("content-length").toLongLong(&ok);
        if (!ok || r.contentLength < 0 || r.contentLength > kMaxStreamedBytes)
            return Parse::Bad;
    } else if (r.headers.contains("transfer-encoding")) {
        return Parse::Bad;
    }
    *request = r;
    *headLength = headerEnd + 4;
    return Parse::Ok;
}

Parse parseRequest(const QByteArray &buffer, HttpRequest *request, int *consumed)
{
    *consumed = 0;
    HttpRequest r;
    int headLength = 0;
    const Parse head = parseHead(buffer, &r, &headLength);
    if (head != Parse::Ok)
        return head;
    if (r.contentLength > kMaxBodyBytes)
        return Parse::Bad;
    const qint64 total = headLength + r.contentLength;
    if (buffer.size() < total)
        return Parse::Incomplete;
    r.body = buffer.mid(headLength, int(r.contentLength));
    *request = r;
    *consumed = int(total);
    return Parse::Ok;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

QByteArray responseHead(int status, const QByteArray &contentType, qint64 contentLength)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

} // namespace HttpMessage

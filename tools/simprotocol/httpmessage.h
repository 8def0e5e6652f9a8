#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>

// A minimal HTTP/1.1 request reader and response writer: enough for the
// display web pages, the display's update interface and the firmware server
// (request line, headers, a body of Content-Length bytes; no chunked
// transfer coding).
struct HttpRequest
{
    QByteArray method;
    QByteArray target;  // path and query as sent
    QByteArray path;    // target without the query
    QByteArray query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QList<QPair<QByteArray, QByteArray>> headerList; // as sent: names, values, order
    qint64 contentLength = 0;
    QByteArray body; // empty for routes that stream the body
};

namespace HttpMessage {

enum class Parse { Ok, Incomplete, Bad };

constexpr int kMaxHeaderBytes = 16 * 1024;
constexpr qint64 kMaxBodyBytes = 64 * 1024 * 1024;      // kept in memory
constexpr qint64 kMaxStreamedBytes = qint64(4) << 30;   // passed through

// Reads the request line and headers at the start of `buffer`; on Ok
// `*headLength` is their length including the empty line. Bodies up to
// kMaxStreamedBytes are allowed here; the caller decides what to keep.
Parse parseHead(const QByteArray &buffer, HttpRequest *request, int *headLength);

// Reads one whole request (head and a body of at most kMaxBodyBytes); on Ok
// `*consumed` is its length. Oversized headers or bodies and malformed
// request lines are Bad.
Parse parseRequest(const QByteArray &buffer, HttpRequest *request, int *consumed);

QByteArray reasonPhrase(int status);

// Status line and headers, ending with the empty line. Content-Length and
// "Connection: close" are always written.
QByteArray responseHead(int status, const QByteArray &contentType, qint64 contentLength);

} // namespace HttpMessage

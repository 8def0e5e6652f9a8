#pragma once

#include <QByteArray>
#include <QHash>

// A minimal HTTP/1.1 request reader and response writer: enough for the
// display web pages and the firmware server (request line, headers, a body
// of Content-Length bytes; no chunked uploads).
struct HttpRequest
{
    QByteArray method;
    QByteArray target;  // path and query as sent
    QByteArray path;    // target without the query
    QByteArray query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

namespace HttpMessage {

enum class Parse { Ok, Incomplete, Bad };

constexpr int kMaxHeaderBytes = 16 * 1024;
constexpr int kMaxBodyBytes = 64 * 1024 * 1024;

// Reads one request from the start of `buffer`; on Ok `*consumed` is its
// length. Oversized headers or bodies and malformed request lines are Bad.
Parse parseRequest(const QByteArray &buffer, HttpRequest *request, int *consumed);

QByteArray reasonPhrase(int status);

// Status line and headers, ending with the empty line. Content-Length and
// "Connection: close" are always written.
QByteArray responseHead(int status, const QByteArray &contentType, qint64 contentLength);

} // namespace HttpMessage

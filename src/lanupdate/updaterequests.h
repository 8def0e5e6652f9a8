#pragma once

#include "catalogue/versionrules.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTime>
#include <QUrl>

#include <array>

// The requests a display's web server takes during a firmware update, built
// as plain values: method, URL, headers in sending order and body. Nothing
// here touches a socket or a file; bodies that carry a firmware file name the
// file, and the session streams it between the body's head and tail.
namespace LanUpdate {

constexpr int kSlotCount = 6;
using SlotFlags = std::array<bool, kSlotCount>;
using SlotValues = std::array<int, kSlotCount>;

enum class Dialect { None, Legacy, Cgi, Chunked, Timed, Keyed };
Dialect dialectForSeries(SeriesId series);

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

struct Request
{
    QByteArray method; // "GET" or "POST"
    QUrl url;
    HeaderList headers; // in sending order
    // The body; for a file upload the bytes before the file.
    QByteArray body;
    // A file upload: the file sent after `body`, then `bodyTail`.
    QString bodyFile;
    qint64 bodyFileSize = 0;
    QByteArray bodyTail;

    qint64 bodyLength() const { return body.size() + (bodyFile.isEmpty() ? 0 : bodyFileSize) + bodyTail.size(); }
    QByteArray header(const QByteArray &name) const;
};

// "hhmmsszzz", e.g. 090503007 for 09:05:03.007.
QByteArray timeStamp(const QTime &time);
// A new random UUID, lower case with hyphens and without braces.
QByteArray requestToken();
// 1-based numbers of the pending slots, ascending, joined by ",".
QByteArray componentList(const SlotFlags &pending);

// Header sets of the legacy, CGI and timed dialects.
enum class HeaderSet { A, B, J, D1, D2 };
HeaderList headers(HeaderSet set, const QString &address, qint64 contentLength);

// Hand-built multipart bodies around one firmware file.
enum class Multipart { M1, M2 };
QByteArray multipartHead(Multipart form, const QString &filePath);
QByteArray multipartTail();

// Legacy, CGI and timed dialects; `stamp` is a timeStamp().
Request standbyCommand(Dialect dialect, const QString &address, const QByteArray &stamp);
Request fileDeleteCommand(const QString &address, const QByteArray &stamp);
Request uploadStateQuery(Dialect dialect, const QString &address, const QByteArray &stamp);
Request fileUpload(Dialect dialect, const QString &address, const QByteArray &stamp,
                   const QString &filePath, qint64 fileSize);
Request fileCheckQuery(const QString &address, const QByteArray &stamp); // timed
Request modeChangeCommand(const QString &address, const QByteArray &stamp);
Request updateCommand(Dialect dialect, const QString &address, const QByteArray &components,
                      const QByteArray &stamp);
Request updateResultQuery(Dialect dialect, const QString &address, const QByteArray &stamp);
Request componentUpload(const QString &address, const QString &filePath, qint64 fileSize); // legacy

// Chunked dialect; `token` is a requestToken().
enum class ChunkedCommand { Standby, UploadState, Upload, FileCheck, Update, UpdateResult };
constexpr qint64 kChunkSize = 512000;
Request chunkedRequest(ChunkedCommand command, const QString &address, const QByteArray &token,
                       const QByteArray &body = QByteArray());
Request chunkedAnnouncement(const QString &address, qint64 fileSize, const QByteArray &token);

// Keyed dialect: the upload URL, its key header and the file part's disposition.
QByteArray uploadKey(qint32 uploadToken);
QUrl keyedUploadUrl(const QString &address);
QByteArray keyedContentDisposition(const QString &filePath);

}

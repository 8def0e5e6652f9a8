#include "firmwareserver/fileroutes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

QString FileRoutes::fileFor(const QByteArray &urlPath) const
{
    const QString path = QUrl::fromPercentEncoding(urlPath);
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\')) || path.contains(QChar(0)))
        return QString();
    const QStringList segments = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &s : segments) {
        if (s == QLatin1String("..") || s == QLatin1String("."))
            return QString();
    }
    const QFileInfo info(QDir(m_root).filePath(segments.join(QLatin1Char('/'))));
    return info.isFile() ? info.absoluteFilePath() : QString();
}

HttpResponse FileRoutes::serve(const HttpRequest &request) const
{
    if (request.method != "GET")
        return HttpResponse::error(405);
    QFile file(fileFor(request.path));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return HttpResponse::error(404);
    HttpResponse r;
    r.body = file.readAll();
    const bool json = file.fileName().endsWith(QLatin1String(".json"));
    r.contentType = json ? QByteArrayLiteral("application/json") : QByteArrayLiteral("application/octet-stream");
    if (json && !m_originFrom.isEmpty())
        r.body.replace(m_originFrom, m_originTo);
    return r;
}

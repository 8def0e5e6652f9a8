#pragma once

#include "simnet/httpserver.h"

#include <QString>

// Serves the files below a root folder by GET: the URL path names the file
// relative to the root. Paths that leave the root, folders and missing files
// are 404.
class FileRoutes
{
public:
    explicit FileRoutes(const QString &root) : m_root(root) {}

    // JSON documents are served with every `from` replaced by `to`, so a
    // catalogue written for one server origin works on any address and port.
    void rewriteOrigin(const QByteArray &from, const QByteArray &to)
    {
        m_originFrom = from;
        m_originTo = to;
    }

    HttpResponse serve(const HttpRequest &request) const;
    // The file a URL path names, or an empty text when it names none.
    QString fileFor(const QByteArray &urlPath) const;

private:
    QString m_root;
    QByteArray m_originFrom;
    QByteArray m_originTo;
};

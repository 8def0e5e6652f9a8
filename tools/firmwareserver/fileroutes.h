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

    HttpResponse serve(const HttpRequest &request) const;
    // The file a URL path names, or an empty text when it names none.
    QString fileFor(const QByteArray &urlPath) const;

private:
    QString m_root;
};

#pragma once

#include "simnet/httpserver.h"

#include <QHash>
#include <QStringList>

#include <functional>

// Faults the firmware server shows for chosen paths, given on the command
// line as KIND:PATH or in a JSON file {"faults":[{"kind":..,"path":..}]}.
// Kinds: notFound (404), serverError (500), stallHeaders (never answers),
// stallBody (half the body, then nothing), drop (half the body, then the
// connection closes), slow (the body at 2 kB/s), corrupt (full length, one byte changed so the MD5
// differs from the catalogue's), missingEntry (a zip archive without its last
// entry; served JSON documents give that package the shortened archive's
// size and MD5, so it downloads intact and only its extraction fails).
class ServeFaults
{
public:
    enum Kind { NotFound, ServerError, StallHeaders, StallBody, Drop, Slow, Corrupt, MissingEntry };
    // The contents of the file a URL path names (empty when none).
    using FileSource = std::function<QByteArray(const QByteArray &urlPath)>;

    // missingEntry reads the archives it shortens through this.
    void setFileSource(FileSource source) { m_source = std::move(source); }

    // Adds one KIND:PATH fault; false with a reason when malformed.
    bool add(const QString &kindAndPath, QString *error);
    bool addFromJson(const QByteArray &json, QString *error);

    // Applies the fault configured for the request's path, if any.
    void apply(const HttpRequest &request, HttpResponse &response) const;

private:
    bool add(const QString &kind, const QString &path, QString *error);
    void fixCatalogue(QByteArray &json) const;

    QHash<QByteArray, Kind> m_faults;
    FileSource m_source;
};

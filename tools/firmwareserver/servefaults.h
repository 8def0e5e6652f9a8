#pragma once

#include "simnet/httpserver.h"

#include <QHash>
#include <QStringList>

// Faults the firmware server shows for chosen paths, given on the command
// line as KIND:PATH or in a JSON file {"faults":[{"kind":..,"path":..}]}.
// Kinds: notFound (404), serverError (500), stallHeaders (never answers),
// stallBody (half the body, then nothing), drop (half the body, then the
// connection closes), corrupt (full length, one byte changed so the MD5
// differs).
class ServeFaults
{
public:
    enum Kind { NotFound, ServerError, StallHeaders, StallBody, Drop, Corrupt };

    // Adds one KIND:PATH fault; false with a reason when malformed.
    bool add(const QString &kindAndPath, QString *error);
    bool addFromJson(const QByteArray &json, QString *error);

    // Applies the fault configured for the request's path, if any.
    void apply(const HttpRequest &request, HttpResponse &response) const;

private:
    bool add(const QString &kind, const QString &path, QString *error);

    QHash<QByteArray, Kind> m_faults;
};

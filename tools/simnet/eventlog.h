#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdio>

// Writes one JSON object per line ({"event":"<name>", ...}) to a stream and
// flushes it at once, so that a test reading the program's output sees every
// event as it happens.
class EventLog
{
public:
    explicit EventLog(FILE *stream = stdout) : m_stream(stream) {}

    void write(const QString &event, const QJsonObject &fields = {}) const;

    // The line `write` produces, without the newline: "event" comes first.
    static QByteArray line(const QString &event, const QJsonObject &fields);

private:
    FILE *m_stream;
};

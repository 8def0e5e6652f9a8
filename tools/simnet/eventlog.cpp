#include "simnet/eventlog.h"

#include <QJsonDocument>

QByteArray EventLog::line(const QString &event, const QJsonObject &fields)
{
    QJsonObject rest = fields;
    rest.remove(QStringLiteral("event"));
    QByteArray head = QJsonDocument(QJsonObject{{QStringLiteral("event"), event}}).toJson(QJsonDocument::Compact);
    head.chop(1); // the closing brace
    if (rest.isEmpty())
        return head + '}';
    return head + ',' + QJsonDocument(rest).toJson(QJsonDocument::Compact).mid(1);
}

void EventLog::write(const QString &event, const QJsonObject &fields) const
{
    const QByteArray text = line(event, fields) + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), m_stream);
    std::fflush(m_stream);
}

#include "firmwareserver/servefaults.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QtEndian>

#include <cstring>

namespace {

quint16 u16(const QByteArray &b, qint64 at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 u32(const QByteArray &b, qint64 at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// The archive without the entry whose data is stored last: the data before
// it, the other central directory records, and an end record that counts one
// entry less. Empty when `zip` is not a readable zip archive.
QByteArray withoutLastEntry(const QByteArray &zip)
{
    const int end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size())
        return QByteArray();
    const int count = u16(zip, end + 10);
    const qint64 directory = u32(zip, end + 16);
    const qint64 directoryEnd = directory + u32(zip, end + 12);
    if (count < 1 || directoryEnd > end)
        return QByteArray();
    QList<QPair<int, int>> records; // position and length in `zip`
    int last = -1;
    qint64 lastData = -1;
    for (qint64 at = directory; records.size() < count;) {
        if (at + 46 > directoryEnd || u32(zip, at) != 0x02014b50)
            return QByteArray();
        const int length = 46 + u16(zip, at + 28) + u16(zip, at + 30) + u16(zip, at + 32);
        const qint64 data = u32(zip, at + 42);
        if (at + length > directoryEnd || data >= directory)
            return QByteArray();
        if (data > lastData) {
            last = records.size();
            lastData = data;
        }
        records.append({int(at), length});
        at += length;
    }
    QByteArray out = zip.left(int(lastData));
    for (int i = 0; i < records.size(); ++i) {
        if (i != last)
            out += zip.mid(records.at(i).first, records.at(i).second);
    }
    char record[22];
    memcpy(record, zip.constData() + end, 20);
    qToLittleEndian<quint16>(quint16(count - 1), record + 8);
    qToLittleEndian<quint16>(quint16(count - 1), record + 10);
    qToLittleEndian<quint32>(quint32(out.size() - lastData), record + 12);
    qToLittleEndian<quint32>(quint32(lastData), record + 16);
    qToLittleEndian<quint16>(0, record + 20); // no comment
    return out + QByteArray(record, sizeof record);
}

const QHash<QString, ServeFaults::Kind> &kindNames()
{
    static const QHash<QString, ServeFaults::Kind> names{
        {QStringLiteral("notFound"), ServeFaults::NotFound},
        {QStringLiteral("serverError"), ServeFaults::ServerError},
        {QStringLiteral("stallHeaders"), ServeFaults::StallHeaders},
        {QStringLiteral("stallBody"), ServeFaults::StallBody},
        {QStringLiteral("drop"), ServeFaults::Drop},
        {QStringLiteral("slow"), ServeFaults::Slow},
        {QStringLiteral("corrupt"), ServeFaults::Corrupt},
        {QStringLiteral("missingEntry"), ServeFaults::MissingEntry},
    };
    return names;
}

} // namespace

bool ServeFaults::add(const QString &kind, const QString &path, QString *error)
{
    const auto it = kindNames().find(kind);
    if (it == kindNames().end() || !path.startsWith(QLatin1Char('/'))) {
        *error = QStringLiteral("bad fault \"%1:%2\": kinds are notFound, serverError, stallHeaders, "
                                "stallBody, drop, slow, corrupt, missingEntry; paths start with /").arg(kind, path);
        return false;
    }
    m_faults.insert(path.toUtf8(), it.value());
    return true;
}

bool ServeFaults::add(const QString &kindAndPath, QString *error)
{
    const int colon = kindAndPath.indexOf(QLatin1Char(':'));
    return add(kindAndPath.left(colon), colon < 0 ? QString() : kindAndPath.mid(colon + 1), error);
}

bool ServeFaults::addFromJson(const QByteArray &json, QString *error)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    const QJsonValue faults = doc.object().value(QStringLiteral("faults"));
    if (!faults.isArray()) {
        *error = QStringLiteral("fault file must hold {\"faults\": [{\"kind\": ..., \"path\": ...}]}");
        return false;
    }
    const QJsonArray list = faults.toArray();
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        if (!add(o.value(QStringLiteral("kind")).toString(), o.value(QStringLiteral("path")).toString(), error))
            return false;
    }
    return true;
}

// Release records whose package is served without an entry get that
// archive's size and MD5.
void ServeFaults::fixCatalogue(QByteArray &json) const
{
    QJsonObject database = QJsonDocument::fromJson(json).object();
    QJsonArray firmware = database.value(QLatin1String("firmware")).toArray();
    bool changed = false;
    for (int i = 0; i < firmware.size(); ++i) {
        QJsonObject release = firmware.at(i).toObject();
        const QByteArray path = QUrl(release.value(QLatin1String("downloadLoc")).toString()).path(QUrl::FullyEncoded).toUtf8();
        if (!m_faults.contains(path) || m_faults.value(path) != MissingEntry || !m_source)
            continue;
        const QByteArray shortened = withoutLastEntry(m_source(path));
        if (shortened.isEmpty())
            continue;
        release[QLatin1String("fileSize")] = shortened.size();
        release[QLatin1String("fileChecksum")] =
            QString::fromLatin1(QCryptographicHash::hash(shortened, QCryptographicHash::Md5).toHex());
        firmware[i] = release;
        changed = true;
    }
    if (!changed)
        return;
    database[QLatin1String("firmware")] = firmware;
    json = QJsonDocument(database).toJson();
}

void ServeFaults::apply(const HttpRequest &request, HttpResponse &response) const
{
    if (response.status == 200 && response.contentType == "application/json"
        && m_faults.values().contains(MissingEntry))
        fixCatalogue(response.body);
    const auto it = m_faults.find(request.path);
    if (it == m_faults.end())
        return;
    switch (it.value()) {
    case NotFound: response = HttpResponse::error(404); break;
    case ServerError: response = HttpResponse::error(500); break;
    case StallHeaders: response.delivery = HttpResponse::Delivery::NoAnswer; break;
    case StallBody: response.delivery = HttpResponse::Delivery::StallBody; break;
    case Drop: response.delivery = HttpResponse::Delivery::DropMidBody; break;
    case Slow: response.delivery = HttpResponse::Delivery::Slow; break;
    case Corrupt:
        if (response.body.isEmpty())
            response.body = "x";
        else
            response.body[response.body.size() / 2] = char(response.body.at(response.body.size() / 2) ^ 0x01);
        break;
    case MissingEntry: {
        const QByteArray shortened = withoutLastEntry(response.body);
        if (!shortened.isEmpty())
            response.body = shortened;
        break;
    }
    }
}

#include "firmwareserver/servefaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QHash<QString, ServeFaults::Kind> &kindNames()
{
    static const QHash<QString, ServeFaults::Kind> names{
        {QStringLiteral("notFound"), ServeFaults::NotFound},
        {QStringLiteral("serverError"), ServeFaults::ServerError},
        {QStringLiteral("stallHeaders"), ServeFaults::StallHeaders},
        {QStringLiteral("stallBody"), ServeFaults::StallBody},
        {QStringLiteral("drop"), ServeFaults::Drop},
        {QStringLiteral("corrupt"), ServeFaults::Corrupt},
    };
    return names;
}

} // namespace

bool ServeFaults::add(const QString &kind, const QString &path, QString *error)
{
    const auto it = kindNames().find(kind);
    if (it == kindNames().end() || !path.startsWith(QLatin1Char('/'))) {
        *error = QStringLiteral("bad fault \"%1:%2\": kinds are notFound, serverError, stallHeaders, "
                                "stallBody, drop, corrupt; paths start with /").arg(kind, path);
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

void ServeFaults::apply(const HttpRequest &request, HttpResponse &response) const
{
    const auto it = m_faults.find(request.path);
    if (it == m_faults.end())
        return;
    switch (it.value()) {
    case NotFound: response = HttpResponse::error(404); break;
    case ServerError: response = HttpResponse::error(500); break;
    case StallHeaders: response.delivery = HttpResponse::Delivery::NoAnswer; break;
    case StallBody: response.delivery = HttpResponse::Delivery::StallBody; break;
    case Drop: response.delivery = HttpResponse::Delivery::DropMidBody; break;
    case Corrupt:
        if (response.body.isEmpty())
            response.body = "x";
        else
            response.body[response.body.size() / 2] = char(response.body.at(response.body.size() / 2) ^ 0x01);
        break;
    }
}

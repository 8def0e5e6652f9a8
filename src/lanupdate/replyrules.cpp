#include "lanupdate/replyrules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace LanUpdate {

int nextPendingSlot(const SlotFlags &pending, int slot)
{
    for (int next = slot + 1; next < kSlotCount; ++next) {
        if (next >= 0 && pending[next])
            return next;
    }
    return -1;
}

int okCheck(const QByteArray &body)
{
    QByteArray text = body;
    text.replace('\r', QByteArray()).replace('\n', QByteArray());
    return text == "OK" ? 0 : -1;
}

QString KeyScanner::next(const QByteArray &key)
{
    const QByteArray quotedKey = '"' + key + '"';
    const int keyAt = int(m_body.indexOf(quotedKey, m_position));
    if (keyAt < 0)
        return QString();
    const int colon = m_body.indexOf(':', keyAt);
    if (colon < 0)
        return QString();
    int end = m_body.indexOf(',', colon);
    if (end < 0)
        end = m_body.indexOf('}', colon);
    if (end < 0)
        return QString();
    m_position = end;
    QString value = QString::fromLatin1(m_body.mid(colon + 1, end - colon - 1)).trimmed();
    value.remove(QLatin1Char('"'));
    value.remove(QLatin1Char('}'));
    return value;
}

bool toNumber(const QString &value, int *number)
{
    bool ok = false;
    *number = value.trimmed().toInt(&ok, 10);
    return ok;
}

namespace {

// Upload state on a scanner that continues where the caller left it.
int uploadStateFrom(KeyScanner &scanner, int slot)
{
    int upload = 0;
    if (!toNumber(scanner.next("upload"), &upload))
        return -1;
    if (upload == 0)
        return 0;
    if (upload == 1)
        return slot < 0 ? 1 : 0;
    if (upload != 2)
        return -1;
    int check = 0;
    if (!toNumber(scanner.next("paccheck_result"), &check))
        return -1;
    if (check != 100)
        return check < 100 ? 0 : -1;
    for (int index = 0;; ++index) {
        const QString value = scanner.next("result_code");
        int code = 0;
        if (value.isEmpty())
            return 0;
        if (!toNumber(value, &code))
            return -1;
        if (index == slot)
            return code > 100 ? -1 : (code == 100 ? 1 : 0);
    }
}

// The (slot+1)-th result_code of the body; false when missing or not a number.
bool nthResultCode(const QByteArray &body, int slot, int *code)
{
    KeyScanner scanner(body);
    for (int index = 0; index < slot; ++index)
        scanner.next("result_code");
    return toNumber(scanner.next("result_code"), code);
}

int jsonInt(const QJsonValue &value)
{
    if (value.isDouble())
        return value.toInt(-1);
    int number = -1;
    if (value.isString() && toNumber(value.toString(), &number))
        return number;
    return -1;
}

}

int uploadState(const QByteArray &body, int slot)
{
    KeyScanner scanner(body);
    return uploadStateFrom(scanner, slot);
}

int fileCheckAllPending(const QByteArray &body, const SlotFlags &pending, int *checkSlot)
{
    for (;;) {
        const int result = uploadState(body, *checkSlot);
        if (result != 1)
            return result;
        const int next = nextPendingSlot(pending, *checkSlot);
        if (next < 0)
            return 1;
        *checkSlot = next;
    }
}

int updateResult(const QByteArray &body, SlotState *state, int *slot)
{
    for (;;) {
        const int p = *slot;
        int code = 0;
        const bool known = p >= 0 && p < kSlotCount && nthResultCode(body, p, &code);
        if (known && ((code >= 0 && code <= 100) || code == 202)) {
            state->progress[p] = code == 202 ? 0 : code;
            return 0;
        }
        if (p >= 0 && p < kSlotCount) {
            const bool done = known && code == 204;
            state->status[p] = done ? 3 : -4;
            state->pending[p] = false;
            if (done)
                state->progress[p] = 100;
        }
        const int next = nextPendingSlot(state->pending, p);
        if (next < 0)
            return 1;
        *slot = next;
    }
}

bool awaitsFile(const QByteArray &body)
{
    int upload = 0;
    return toNumber(KeyScanner(body).next("upload"), &upload) && upload == 1;
}

int checkPercent(const QByteArray &body)
{
    int percent = -1;
    return toNumber(KeyScanner(body).next("paccheck_result"), &percent) ? percent : -1;
}

int finalStatus(const SlotValues &status)
{
    for (const int code : status) {
        if (code == -4)
            return 4;
    }
    return 3;
}

int legacyUploadReply(const QByteArray &body)
{
    if (body.contains("File written successfully"))
        return 0;
    if (body.contains("Image file writing."))
        return 3;
    return -1;
}

QJsonObject lenientJson(const QByteArray &body)
{
    static const QRegularExpression comment(QStringLiteral("//.*"));
    static const QRegularExpression trailingComma(QStringLiteral("\\,(\\s*[\\}\\]])"));
    QString text = QString::fromUtf8(body);
    text.remove(comment);
    text.replace(trailingComma, QStringLiteral("\\1"));
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

int chunkedFileCheck(const QJsonObject &reply, SlotState *state, int *checkSlot)
{
    bool allDone = true;
    bool anyError = false;
    const QJsonValue packageCheck = reply.value(QStringLiteral("paccheck_result"));
    int check = -1;
    if (!toNumber(packageCheck.isString() ? packageCheck.toString() : QStringLiteral("Invalid"), &check))
        check = -1;
    if (check != 100) {
        if (check > 100) {
            anyError = true;
            if (*checkSlot >= 0 && *checkSlot < kSlotCount)
                state->status[*checkSlot] = -2;
        } else {
            allDone = false;
        }
    }
    const QJsonArray components = reply.value(QStringLiteral("fwcheck_result")).toArray();
    for (int k = 0; k < kSlotCount; ++k) {
        const QJsonObject component = components.at(k).toObject();
        const int code = component.isEmpty() ? -1 : jsonInt(component.value(QStringLiteral("result_code")));
        if (!state->pending[k] || code == 100)
            continue;
        *checkSlot = k;
        if (code > 99) {
            anyError = true;
            state->status[k] = -2;
        } else {
            allDone = false;
        }
    }
    if (!allDone)
        return 0;
    return anyError ? -1 : 1;
}

int chunkedUpdateResult(const QJsonObject &reply, SlotState *state, int *slot)
{
    const QJsonValue list = reply.value(QStringLiteral("update_sts"));
    const QJsonValue first = list.toArray().at(0);
    if (!list.isArray() || !(first.isObject() || first.isUndefined()))
        return -1;
    const QJsonObject current = first.toObject();
    if (current.isEmpty())
        return 1;
    const int code = jsonInt(current.value(QStringLiteral("result_code")));
    const int firmware = jsonInt(current.value(QStringLiteral("Firmware")));
    if (code == -1 || firmware == -1)
        return -1;
    if (firmware < 1 || firmware > 4)
        return 1;
    const int index = firmware - 1;
    if (code == 202 || code == 204) {
        state->progress[index] = 100;
        return code == 202 ? 0 : 1;
    }
    *slot = index;
    if (code >= 0 && code <= 100) {
        state->progress[index] = code;
        return 0;
    }
    state->status[index] = -1;
    return -1;
}

int keyedUploadReply(int httpStatus)
{
    return httpStatus == 200 ? 0 : -1;
}

}

#include "simprotocol/displayconfig.h"

#include "simprotocol/updaterequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>

namespace {

const QHash<QString, int> &familyNames()
{
    static const QHash<QString, int> names{
        {QStringLiteral("firmware"), CommandFamily::Firmware},
        {QStringLiteral("legacyFirmware"), CommandFamily::LegacyFirmware},
        {QStringLiteral("asset"), CommandFamily::Asset},
        {QStringLiteral("powerSave"), CommandFamily::PowerSave},
        {QStringLiteral("parameters"), CommandFamily::Parameters},
    };
    return names;
}

const QHash<QString, int> &udpFaultNames()
{
    static const QHash<QString, int> names{
        {QStringLiteral("none"), UdpFault::None},
        {QStringLiteral("silent"), UdpFault::Silent},
        {QStringLiteral("wrongSize"), UdpFault::WrongSize},
        {QStringLiteral("wrongMagic"), UdpFault::WrongMagic},
        {QStringLiteral("staleSequence"), UdpFault::StaleSequence},
    };
    return names;
}

const QHash<QString, int> &commandFaultNames()
{
    static const QHash<QString, int> names{
        {QStringLiteral("delay"), CommandFault::Delay},
        {QStringLiteral("noReply"), CommandFault::NoReply},
        {QStringLiteral("split"), CommandFault::Split},
        {QStringLiteral("badChecksum"), CommandFault::BadBlockCheck},
        {QStringLiteral("BE"), CommandFault::AnswerBE},
    };
    return names;
}

// Reads typed values and remembers the first key of the wrong type.
class Reader
{
public:
    Reader(const QJsonObject &json, QString *error) : m_json(json), m_error(error) {}

    bool ok() const { return m_ok; }

    void text(const char *key, QByteArray *out)
    {
        const QJsonValue v = m_json.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isString())
            return fail(key, "a string");
        *out = v.toString().toUtf8();
    }

    template<typename T>
    void integer(const char *key, T *out, qint64 min, qint64 max)
    {
        const QJsonValue v = m_json.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        const double d = v.toDouble();
        // Range first: converting an out-of-range double to an integer is undefined.
        if (!v.isDouble() || d < double(min) || d > double(max) || d != std::floor(d))
            return fail(key, "an integer in range");
        *out = T(qint64(d));
    }

    void real(const char *key, double *out, double min, double max)
    {
        const QJsonValue v = m_json.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isDouble() || v.toDouble() < min || v.toDouble() > max)
            return fail(key, "a number in range");
        *out = v.toDouble();
    }

    // Up to four texts; true when the key is present.
    bool versions(const char *key, std::array<QByteArray, 4> *out)
    {
        const QJsonValue v = m_json.value(QLatin1String(key));
        if (v.isUndefined())
            return false;
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() > 4)
            fail(key, "an array of at most four strings");
        for (int i = 0; i < qMin(4, int(a.size())); ++i)
            (*out)[size_t(i)] = a.at(i).toString().toUtf8();
        return true;
    }

    void boolean(const char *key, bool *out)
    {
        const QJsonValue v = m_json.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isBool())
            return fail(key, "true or false");
        *out = v.toBool();
    }

    void address(const char *key, QHostAddress *out)
    {
        QByteArray s;
        text(key, &s);
        if (s.isEmpty())
            return;
        QHostAddress a;
        if (!a.setAddress(QString::fromLatin1(s)) || a.protocol() != QAbstractSocket::IPv4Protocol)
            return fail(key, "an IPv4 address");
        *out = a;
    }

    void fail(const char *key, const char *what)
    {
        if (m_ok && m_error)
            *m_error = QStringLiteral("\"%1\" must be %2").arg(QLatin1String(key), QLatin1String(what));
        m_ok = false;
    }

private:
    const QJsonObject &m_json;
    QString *m_error;
    bool m_ok = true;
};

bool parseMac(const QByteArray &text, std::array<quint8, 6> *mac)
{
    const QList<QByteArray> parts = text.split(text.contains(':') ? ':' : '-');
    if (parts.size() != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint v = parts.at(i).toUInt(&ok, 16);
        if (!ok || parts.at(i).size() != 2)
            return false;
        (*mac)[size_t(i)] = quint8(v);
    }
    return true;
}

void stepFault(Reader &r, const QJsonObject &json, const char *key, UpdateStepFault *out)
{
    const QJsonValue v = json.value(QLatin1String(key));
    if (v.isUndefined())
        return;
    const QJsonObject o = v.toObject();
    QByteArray step;
    Reader fr(o, nullptr);
    fr.text("step", &step);
    fr.integer("times", &out->times, -1, 1000000);
    out->step = QString::fromLatin1(step);
    if (!v.isObject() || !fr.ok() || UpdateRequest::stepFromName(out->step) == UpdateRequest::Step::Unknown)
        r.fail(key, "{\"step\": STEP, \"times\": N} with a step of the update interface");
}

bool parseUpdateFaults(const QJsonObject &json, UpdateFaults *f, QString *error)
{
    Reader r(json, error);
    stepFault(r, json, "reject", &f->reject);
    stepFault(r, json, "drop", &f->drop);
    stepFault(r, json, "noAnswer", &f->noAnswer);
    stepFault(r, json, "errorStatus", &f->errorStatus);
    const QJsonObject errorStatus = json.value(QStringLiteral("errorStatus")).toObject();
    Reader status(errorStatus, nullptr);
    status.integer("status", &f->errorStatusCode, 300, 599);
    if (!status.ok())
        r.fail("errorStatus", "{\"step\": STEP, \"status\": 300-599, \"times\": N}");
    QByteArray notYet;
    Reader(json.value(QStringLiteral("notYet")).toObject(), nullptr).text("step", &notYet);
    f->notYet = QString::fromLatin1(notYet);
    if (json.contains(QStringLiteral("notYet")) && notYet != "uploadState" && notYet != "fileCheck" && notYet != "updateResult")
        r.fail("notYet", "{\"step\": STEP} with uploadState, fileCheck or updateResult");
    r.integer("uploadStateZero", &f->uploadStateZero, 0, 1000000);
    r.integer("fileCheckFails", &f->fileCheckFails, 0, 6);
    r.integer("updateFails", &f->updateFails, 0, 6);
    r.boolean("imageWriting", &f->imageWriting);
    r.integer("handOutToken", &f->handOutToken, 0, 0xFFFF);
    r.integer("expectToken", &f->expectToken, 0, 0xFFFF);
    r.integer("uploadBytesPerSecond", &f->uploadBytesPerSecond, 0, qint64(1) << 40);
    QByteArray progress;
    r.text("progress", &progress);
    if (progress == "neverStarts" || notYet == "updateResult") // keyed: the update result is the progress read
        f->progressNeverStarts = true;
    else if (!progress.isEmpty() && progress != "fails")
        r.fail("progress", "neverStarts or fails");
    return r.ok();
}

bool parseFaults(const QJsonObject &json, DisplayConfig *c, QString *error)
{
    Reader r(json, error);
    QByteArray udp;
    r.text("udp", &udp);
    if (!udp.isEmpty()) {
        const auto it = udpFaultNames().find(QString::fromLatin1(udp));
        if (it == udpFaultNames().end())
            r.fail("udp", "one of none, silent, wrongSize, wrongMagic, staleSequence");
        else
            c->udpFault = UdpFault::Kind(it.value());
    }
    r.boolean("tcpRefuse", &c->refuseTcp);
    r.integer("httpStatus", &c->httpStatus, 100, 599);
    r.boolean("httpNoAnswer", &c->httpNoAnswer);
    if (!r.ok())
        return false;
    const QJsonValue update = json.value(QStringLiteral("update"));
    if (!update.isUndefined() && (!update.isObject() || !parseUpdateFaults(update.toObject(), &c->updateFaults, error))) {
        if (!update.isObject())
            *error = QStringLiteral("\"update\" must be an object of update faults");
        return false;
    }
    if (update.toObject().value(QStringLiteral("progress")).toString() == QLatin1String("fails"))
        c->updateFails = true;
    const QJsonValue commands = json.value(QStringLiteral("tcp"));
    if (commands.isUndefined())
        return true;
    if (!commands.isArray()) {
        *error = QStringLiteral("\"tcp\" must be an array of command faults");
        return false;
    }
    const QJsonArray list = commands.toArray();
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        CommandFault f;
        Reader fr(o, error);
        QByteArray kind;
        fr.text("command", &f.prefix);
        fr.text("fault", &kind);
        fr.integer("ms", &f.delayMs, 0, 3600000);
        fr.integer("times", &f.times, -1, 1000000);
        const auto it = commandFaultNames().find(QString::fromLatin1(kind));
        if (fr.ok() && it == commandFaultNames().end())
            fr.fail("fault", "one of delay, noReply, split, badChecksum, BE");
        if (!fr.ok())
            return false;
        f.kind = CommandFault::Kind(it.value());
        if (f.kind == CommandFault::Delay && f.delayMs == 0)
            f.delayMs = 10000; // past two reply time-outs of the client
        c->commandFaults.append(f);
    }
    return true;
}

} // namespace

QString macText(const std::array<quint8, 6> &mac)
{
    QStringList parts;
    for (quint8 b : mac)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}

bool DisplayConfig::fromJson(const QJsonObject &json, DisplayConfig *out, QString *error)
{
    DisplayConfig c;
    Reader r(json, error);
    r.address("address", &c.address);
    QByteArray id;
    r.text("displayId", &id);
    if (id.size() == 1)
        c.displayId = id.at(0);
    else if (!id.isEmpty())
        r.fail("displayId", "one character");
    r.text("modelName", &c.modelName);
    r.text("serialNumber", &c.serialNumber);
    QByteArray mac;
    r.text("macAddress", &mac);
    if (!mac.isEmpty() && !parseMac(mac, &c.mac))
        r.fail("macAddress", "six hexadecimal byte pairs such as 00-1A-2B-3C-4D-5E");
    r.integer("seriesCode", &c.seriesCode, 0, 255);
    c.identity = c.serialNumber.isEmpty() ? QByteArrayLiteral("SIMDISPLAY") : c.serialNumber;
    r.text("identity", &c.identity);
    r.integer("statusByte", &c.statusByte, 0, 255);
    r.integer("matchFlagsA", &c.matchFlagsA, 0, 0xFFFFFFFFLL);
    r.integer("matchFlagsB", &c.matchFlagsB, 0, 0xFFFFFFFFLL);
    r.integer("udpReplyType", &c.udpReplyType, 0, 0xFFFFFFFFLL);
    r.text("assetTag", &c.assetTag);
    r.text("currentFirmware", &c.currentFirmware);
    r.versions("fwVersions", &c.fwVersions);
    r.integer("powerState", &c.powerState, 0, 0xFFFF);
    r.integer("powerSaveMode", &c.powerSaveMode, 0, 2);
    r.address("broadcastAddress", &c.broadcastAddress);
    r.address("address2", &c.address2);
    r.boolean("address2Answers", &c.address2Answers);
    c.address2Body = QByteArrayLiteral("<html><body>Update interface</body></html>");
    r.text("address2Body", &c.address2Body);
    r.boolean("locked", &c.locked);
    r.boolean("readableWhenOff", &c.readableWhenOff);
    r.boolean("webServer", &c.webServer);
    const QJsonValue families = json.value(QStringLiteral("commands"));
    if (!families.isUndefined()) {
        c.commandFamilies = 0;
        const QJsonArray a = families.toArray();
        if (!families.isArray())
            r.fail("commands", "an array of command family names");
        for (const QJsonValue &v : a) {
            const auto it = familyNames().find(v.toString());
            if (it == familyNames().end())
                r.fail("commands", "firmware, legacyFirmware, asset, powerSave or parameters");
            else
                c.commandFamilies |= it.value();
        }
    }
    r.integer("uploadToken", &c.uploadToken, 0, 0xFFFF);
    r.integer("progressStep", &c.progressStep, 0, 100);
    r.boolean("updateFails", &c.updateFails);
    r.integer("updateSeries", &c.updateSeries, 0, 255);
    r.text("firmwareAfterUpdate", &c.firmwareAfterUpdate);
    c.hasVersionsAfterUpdate = r.versions("fwVersionsAfterUpdate", &c.fwVersionsAfterUpdate);
    r.real("updateTimeScale", &c.updateTimeScale, 0.0001, 1000);
    if (!r.ok())
        return false;
    if (c.address.isNull()) {
        *error = QStringLiteral("\"address\" is required");
        return false;
    }
    const QHostAddress application(QStringLiteral("127.0.0.1"));
    if (c.address == application || (c.address2 == application && c.address2Answers)) {
        *error = QStringLiteral("127.0.0.1 is the application's own address; use 127.0.0.2 and up");
        return false;
    }
    const QJsonValue faults = json.value(QStringLiteral("faults"));
    if (!faults.isUndefined() && (!faults.isObject() || !parseFaults(faults.toObject(), &c, error)))
        return false;
    *out = c;
    return true;
}

QJsonObject DisplayConfig::toJson() const
{
    QJsonArray fw;
    for (const QByteArray &v : fwVersions)
        fw.append(QString::fromUtf8(v));
    QJsonArray families;
    for (auto it = familyNames().cbegin(); it != familyNames().cend(); ++it) {
        if (commandFamilies & it.value())
            families.append(it.key());
    }
    QJsonObject o{
        {QStringLiteral("address"), address.toString()},
        {QStringLiteral("modelName"), QString::fromUtf8(modelName)},
        {QStringLiteral("serialNumber"), QString::fromUtf8(serialNumber)},
        {QStringLiteral("macAddress"), macText(mac)},
        {QStringLiteral("seriesCode"), seriesCode},
        {QStringLiteral("assetTag"), QString::fromUtf8(assetTag)},
        {QStringLiteral("currentFirmware"), QString::fromUtf8(currentFirmware)},
        {QStringLiteral("fwVersions"), fw},
        {QStringLiteral("powerState"), powerState},
        {QStringLiteral("powerSaveMode"), powerSaveMode},
        {QStringLiteral("locked"), locked},
        {QStringLiteral("commands"), families},
        {QStringLiteral("updateDialect"), UpdateRequest::dialectName(UpdateRequest::dialectForSeries(dialectSeries()))},
    };
    if (!broadcastAddress.isNull())
        o.insert(QStringLiteral("broadcastAddress"), broadcastAddress.toString());
    if (!address2.isNull()) {
        o.insert(QStringLiteral("address2"), address2.toString());
        o.insert(QStringLiteral("address2Answers"), address2Answers);
    }
    return o;
}

bool parseFleet(const QByteArray &json, QList<DisplayConfig> *out, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        *error = QStringLiteral("not JSON: %1").arg(parseError.errorString());
        return false;
    }
    const QJsonArray list = doc.isArray() ? doc.array()
                                          : doc.object().value(QStringLiteral("displays")).toArray();
    const QJsonValue scale = doc.object().value(QStringLiteral("updateTimeScale"));
    if (!scale.isUndefined() && (!scale.isDouble() || scale.toDouble() < 0.0001 || scale.toDouble() > 1000)) {
        *error = QStringLiteral("\"updateTimeScale\" must be a number in range");
        return false;
    }
    QSet<quint32> used;
    out->clear();
    for (int i = 0; i < list.size(); ++i) {
        DisplayConfig c;
        QString why;
        QJsonObject entry = list.at(i).toObject();
        if (!scale.isUndefined() && !entry.contains(QStringLiteral("updateTimeScale")))
            entry.insert(QStringLiteral("updateTimeScale"), scale);
        if (!list.at(i).isObject() || !DisplayConfig::fromJson(entry, &c, &why)) {
            *error = QStringLiteral("display %1: %2").arg(i).arg(why.isEmpty() ? QStringLiteral("not an object") : why);
            return false;
        }
        const quint32 a1 = c.address.toIPv4Address();
        const quint32 a2 = c.address2.isNull() || !c.address2Answers ? 0 : c.address2.toIPv4Address();
        if (used.contains(a1) || (a2 && (used.contains(a2) || a2 == a1))) {
            *error = QStringLiteral("display %1: address used twice").arg(i);
            return false;
        }
        used.insert(a1);
        if (a2)
            used.insert(a2);
        out->append(c);
    }
    return true;
}

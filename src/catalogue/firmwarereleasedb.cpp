#include "catalogue/firmwarereleasedb.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>

#include <cmath>
#include <iterator>
#include <limits>

namespace {

// Reads a document with the database's lenient rules: a value of the wrong
// type is taken as absent, so one bad field never rejects a release.
class Reader
{
public:
    explicit Reader(bool japanese) : m_japanese(japanese) {}

    // Only an integral JSON number that fits 32 bits; anything else is 0.
    static int integer(const QJsonObject &object, const QString &key)
    {
        const QJsonValue value = object.value(key);
        if (!value.isDouble())
            return 0;
        const double number = value.toDouble();
        if (std::trunc(number) != number
            || number < double(std::numeric_limits<int>::min())
            || number > double(std::numeric_limits<int>::max()))
            return 0;
        return int(number);
    }

    static QString text(const QJsonObject &object, const QString &key)
    {
        const QJsonValue value = object.value(key);
        return value.isString() ? value.toString() : QString();
    }

    // The base text, replaced by its non-empty "_ja" twin in Japanese.
    QString localisedText(const QJsonObject &object, const QString &key) const
    {
        QString result = text(object, key);
        if (m_japanese) {
            const QString japanese = text(object, key + QLatin1String("_ja"));
            if (!japanese.isEmpty())
                result = japanese;
        }
        return result;
    }

    static QJsonArray array(const QJsonObject &object, const QString &key)
    {
        const QJsonValue value = object.value(key);
        return value.isArray() ? value.toArray() : QJsonArray();
    }

    // An element that is not an object reads as an empty object.
    static QJsonObject element(const QJsonValue &value)
    {
        return value.isObject() ? value.toObject() : QJsonObject();
    }

    ReleaseDbInfo header(const QJsonObject &object) const
    {
        ReleaseDbInfo info;
        info.databaseVersion = integer(object, QStringLiteral("databaseVersion"));
        info.latestAppBuildWindows = integer(object, QStringLiteral("latestAppBuildWindows"));
        info.latestAppBuildMacOS = integer(object, QStringLiteral("latestAppBuildMacOS"));
        info.latestAppdownloadLocWindows = text(object, QStringLiteral("latestAppdownloadLocWindows"));
        info.latestAppVersionStringWindows = text(object, QStringLiteral("latestAppVersionStringWindows"));
        info.latestAppVersionStringMacOS = text(object, QStringLiteral("latestAppVersionStringMacOS"));
        const QJsonArray changes = array(object, QStringLiteral("previousAppChangeListWindows"));
        for (const QJsonValue &value : changes) {
            const QJsonObject entry = element(value);
            info.previousAppChangeListWindows.append(
                {integer(entry, QStringLiteral("build")),
                 localisedText(entry, QStringLiteral("changeList"))});
        }
        return info;
    }

    ChangeListEntry changeListEntry(const QJsonObject &object) const
    {
        return {text(object, QStringLiteral("revision")), text(object, QStringLiteral("version")),
                localisedText(object, QStringLiteral("changeList"))};
    }

    FirmwareRelease release(const QJsonObject &o) const
    {
        FirmwareRelease r;
        r.version = text(o, QStringLiteral("version"));
        r.releaseDate = text(o, QStringLiteral("releaseDate"));
        r.downloadLoc = text(o, QStringLiteral("downloadLoc"));
        r.seriesName = text(o, QStringLiteral("seriesName"));
        r.fileChecksum = text(o, QStringLiteral("fileChecksum"));
        r.fileSize = integer(o, QStringLiteral("fileSize"));
        r.requiresAppBuild = integer(o, QStringLiteral("requiresAppBuild"));
        r.updateViaHTTP = integer(o, QStringLiteral("updateViaHTTP"));
        r.updateViaUSB = integer(o, QStringLiteral("updateViaUSB"));
        r.updateViaHTTPDurationSecs = integer(o, QStringLiteral("updateViaHTTPDurationSecs"));
        r.manualPowerCycleRequired = integer(o, QStringLiteral("manualPowerCycleRequired"));
        r.powerLEDBinkCodeProgress = integer(o, QStringLiteral("powerLEDBinkCodeProgress"));
        r.powerLEDBinkCodeDone = integer(o, QStringLiteral("powerLEDBinkCodeDone"));
        r.powerLEDBinkCodeError = integer(o, QStringLiteral("powerLEDBinkCodeError"));
        r.numPACComponents = integer(o, QStringLiteral("numPACComponents"));
        r.useIP2 = integer(o, QStringLiteral("useIP2"));
        r.needPowerOnToUpdateViaHTTP = integer(o, QStringLiteral("needPowerOnToUpdateViaHTTP"));
        r.needPowerOnToReadInfo = integer(o, QStringLiteral("needPowerOnToReadInfo"));
        r.needSNMatchPosition = integer(o, QStringLiteral("needSNMatchPosition"));
        r.needSNMatchDigitsList = text(o, QStringLiteral("needSNMatchDigitsList"));
        r.needSNMatchListingText = localisedText(o, QStringLiteral("needSNMatchListingText"));
        r.needSNMatchDetailedDescription = localisedText(o, QStringLiteral("needSNMatchDetailedDescription"));
        r.needRegionSelectListingText = localisedText(o, QStringLiteral("needRegionSelectListingText"));
        r.needRegionSelectDescription = localisedText(o, QStringLiteral("needRegionSelectDescription"));
        r.updateviaUSBInstructions = localisedText(o, QStringLiteral("updateviaUSBInstructions"));
        r.manualPowerCycleRequiredIfVersionBefore =
            text(o, QStringLiteral("manualPowerCycleRequiredIfVersionBefore"));
        r.legacyModel = integer(o, QStringLiteral("legacyModel"));
        r.baseUSBFolderName = text(o, QStringLiteral("baseUSBFolderName"));
        r.destinationUSBFileName = text(o, QStringLiteral("destinationUSBFileName"));

        const QJsonArray models = array(o, QStringLiteral("models"));
        for (const QJsonValue &model : models)
            r.models.append(model.isString() ? model.toString() : QString());

        const QJsonValue changes = o.value(QStringLiteral("changes"));
        if (changes.isObject())
            r.changes = changeListEntry(changes.toObject());

        const QJsonArray previous = array(o, QStringLiteral("previousVersionChangeList"));
        for (const QJsonValue &value : previous)
            r.previousVersionChangeList.append(changeListEntry(element(value)));

        const QJsonArray files = array(o, QStringLiteral("unpackedFileInfo"));
        for (const QJsonValue &value : files) {
            const QJsonObject file = element(value);
            r.unpackedFileInfo.append({text(file, QStringLiteral("fileName")),
                                       integer(file, QStringLiteral("fileSize")),
                                       text(file, QStringLiteral("fileChecksum"))});
        }

        r.documentationList = documentation(o);
        return r;
    }

private:
    // In Japanese a "documentationList_ja" array stands in for the whole
    // "documentationList"; the "_ja" overrides of each entry apply either way.
    QList<DocumentationLink> documentation(const QJsonObject &o) const
    {
        const QJsonValue japaneseList = o.value(QStringLiteral("documentationList_ja"));
        const QJsonArray links = (m_japanese && japaneseList.isArray())
            ? japaneseList.toArray()
            : array(o, QStringLiteral("documentationList"));
        QList<DocumentationLink> result;
        for (const QJsonValue &value : links) {
            const QJsonObject link = element(value);
            result.append({localisedText(link, QStringLiteral("name")),
                           localisedText(link, QStringLiteral("url"))});
        }
        return result;
    }

    bool m_japanese;
};

QString modelKey(const QString &modelName)
{
    return modelName.toCaseFolded();
}

}

FirmwareReleaseDb::TextLanguage FirmwareReleaseDb::defaultTextLanguage()
{
    return QLocale().language() == QLocale::Japanese ? TextLanguage::Japanese : TextLanguage::Other;
}

int FirmwareReleaseDb::parse(const QByteArray &json)
{
    return parse(json, defaultTextLanguage());
}

int FirmwareReleaseDb::parse(const QByteArray &json, TextLanguage language)
{
    clear();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return -1;
    if (!document.isObject())
        return -3;
    const QJsonObject root = document.object();
    const QJsonValue info = root.value(QStringLiteral("info"));
    if (!info.isObject())
        return -2;

    const Reader reader(language == TextLanguage::Japanese);
    m_info = reader.header(info.toObject());

    const QJsonValue firmware = root.value(QStringLiteral("firmware"));
    if (!firmware.isArray())
        return -3;
    const QJsonArray releases = firmware.toArray();
    m_records.reserve(releases.size());
    for (const QJsonValue &value : releases)
        m_records.append(reader.release(Reader::element(value)));
    rebuildModelIndex();
    return 0;
}

int FirmwareReleaseDb::clear()
{
    m_records.clear();
    m_indicesByModel.clear();
    m_info = ReleaseDbInfo();
    m_info.databaseVersion = 0;
    return 0;
}

int FirmwareReleaseDb::recordAt(int index, FirmwareRelease &release) const
{
    if (index < 0 || index >= m_records.size())
        return -1;
    release = m_records.at(index);
    return 0;
}

int FirmwareReleaseDb::findForDisplay(const QString &modelName, const QString &serialNumber,
                                      FirmwareRelease &release) const
{
    const auto found = m_indicesByModel.constFind(modelKey(modelName));
    if (found == m_indicesByModel.cend())
        return -1;
    for (const int index : *found) {
        if (serialNumberMatches(m_records.at(index), serialNumber)) {
            release = m_records.at(index);
            return 0;
        }
    }
    return -1;
}

QList<int> FirmwareReleaseDb::indicesForModel(const QString &modelName) const
{
    return m_indicesByModel.value(modelKey(modelName));
}

void FirmwareReleaseDb::rebuildModelIndex()
{
    m_indicesByModel.clear();
    for (int i = 0; i < m_records.size(); ++i) {
        for (const QString &model : m_records.at(i).models) {
            QList<int> &indices = m_indicesByModel[modelKey(model)];
            if (indices.isEmpty() || indices.constLast() != i) // a model listed twice
                indices.append(i);
        }
    }
}

bool serialNumberMatches(const FirmwareRelease &release, const QString &serialNumber)
{
    const int position = release.needSNMatchPosition;
    if (position <= 0)
        return true;
    if (serialNumber.size() < position)
        return false;
    return release.needSNMatchDigitsList.contains(serialNumber.at(position - 1), Qt::CaseInsensitive);
}

QString powerLEDBlinkCodeToString(int code)
{
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString", "Flashing <font color=\"green\">GREEN</font>"),
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString",
                          "Alternating <font color=\"red\">RED</font> / <font color=\"green\">GREEN</font>"),
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString", "Flashing <font color=\"red\">RED</font>"),
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString", "Flashing <font color=\"blue\">BLUE</font>"),
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString", "Flashing <font color=\"orange\">ORANGE</font>"),
        QT_TRANSLATE_NOOP("powerLEDBlinkCodeToString", "Continuous <font color=\"blue\">Blue</font>"),
    };
    if (code < 1 || code > int(std::size(texts)))
        return QCoreApplication::translate("powerLEDBlinkCodeToString", "Unknown");
    return QCoreApplication::translate("powerLEDBlinkCodeToString", texts[code - 1]);
}

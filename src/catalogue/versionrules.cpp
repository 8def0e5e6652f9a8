#include "catalogue/versionrules.h"

#include <QRegularExpression>
#include <QList>

#include <iterator>

namespace {

// The dotted parts of a version, empty parts kept; storage keeps the
// filtered text alive for the views.
QList<QStringView> versionParts(const QString &version, QString &storage)
{
    static const QRegularExpression notVersionCharacters(QStringLiteral("[^.0-9]+"));
    storage = version;
    storage.remove(notVersionCharacters);
    return QStringView(storage).split(QLatin1Char('.'));
}

}

int compareVersions(const QString &a, const QString &b, int &error)
{
    error = VersionCompareError::None;
    QString aStorage;
    QString bStorage;
    const QList<QStringView> aParts = versionParts(a, aStorage);
    const QList<QStringView> bParts = versionParts(b, bStorage);
    if (aParts.size() != bParts.size()) {
        error = VersionCompareError::PartCountDiffers;
        return 0;
    }
    for (int i = 0; i < aParts.size(); ++i) {
        bool aOk = false;
        bool bOk = false;
        const int aNumber = aParts.at(i).toInt(&aOk);
        const int bNumber = bParts.at(i).toInt(&bOk);
        if (!aOk || !bOk) {
            error = VersionCompareError::PartNotNumber;
            return 0;
        }
        if (aNumber != bNumber)
            return aNumber > bNumber ? 1 : -1;
    }
    return 0;
}

SeriesId seriesIdFromName(const QString &seriesName)
{
    static const char *const names[] = {
        "SERIES_KESTREL4",     "SERIES_QUARTZ",   "SERIES_KESTREL5", "SERIES_HALCYON",
        "SERIES_KESTREL5_UHD", "SERIES_KESTREL5_RX", "SERIES_CORVID_B", "SERIES_CORVID_A",
        "SERIES_OSPREY_L",     "SERIES_OSPREY_H", "SERIES_TAMARIND",
    };
    for (int i = 0; i < int(std::size(names)); ++i) {
        if (seriesName.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return SeriesId(i + 1);
    }
    return Series::Unknown;
}

bool isSeriesGroup1(SeriesId id)
{
    return id == Series::Kestrel4 || id == Series::Quartz;
}

bool isSeriesGroup2(SeriesId id)
{
    return id >= Series::Kestrel5 && id != Series::Tamarind;
}

QStringList applicableChangeNotes(const FirmwareRelease &release, const QString &currentVersion)
{
    QStringList notes;
    const auto appendWhenNewer = [&](const ChangeListEntry &entry) {
        int error = 0;
        if (compareVersions(currentVersion, entry.version, error) < 0 && error == 0)
            notes.append(entry.changeList);
    };
    appendWhenNewer(release.changes);
    for (const ChangeListEntry &entry : release.previousVersionChangeList)
        appendWhenNewer(entry);
    return notes;
}

#include "usbdrive/modelsearch.h"

#include "app/appinfo.h"

namespace ModelSearch {

bool usableForUsbDrive(const FirmwareRelease &release)
{
    return release.updateViaUSB != 0 && release.requiresAppBuild <= AppInfo::kApplicationBuildNumber;
}

QStringList modelNames(const FirmwareReleaseDb &database)
{
    QStringList names;
    FirmwareRelease release;
    for (int i = 0; i < database.count(); ++i) {
        if (database.recordAt(i, release) != 0 || !usableForUsbDrive(release))
            continue;
        for (const QString &model : qAsConst(release.models))
            addVariant(names, model);
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

QList<int> usableIndices(const FirmwareReleaseDb &database, const QString &model)
{
    QList<int> result;
    const QList<int> indices = database.indicesForModel(model);
    FirmwareRelease release;
    for (int index : indices) {
        if (database.recordAt(index, release) == 0 && usableForUsbDrive(release))
            result.append(index);
    }
    return result;
}

void addVariant(QStringList &variants, const QString &text)
{
    if (!text.isEmpty() && !variants.contains(text, Qt::CaseInsensitive))
        variants.append(text);
}

}

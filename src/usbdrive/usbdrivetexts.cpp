#include "usbdrive/usbdrivetexts.h"

#include "download/firmwarefiles.h"

#include <QCoreApplication>
#include <QStringList>

namespace UsbDriveTexts {

namespace {


QStringList items(const QString &text)
{
    return text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QString historyBlock(const ChangeListEntry &entry)
{
    QString block = QCoreApplication::translate("UsbDriveTexts", "<b>Revision %1</b>").arg(entry.revision);
    if (entry.version != entry.revision)
        block += QCoreApplication::translate("UsbDriveTexts", "<b> (version %1)</b>").arg(entry.version);
    block += QLatin1String(":<br>");
    const QStringList changes = items(entry.changeList);
    for (int i = 0; i < changes.size(); ++i)
        block += QStringLiteral("%1. %2<br>").arg(i + 1).arg(changes.at(i));
    return block;
}

}

QList<UnpackedFileInfo> fileList(const FirmwareRelease &release)
{
    return FirmwareFiles::expectedFiles(release, FirmwareFiles::packageFileName(release.downloadLoc));
}

QString spaceRequired(qint64 totalFileBytes)
{
    if (totalFileBytes <= 0)
        return QCoreApplication::translate("UsbDriveTexts", "Unknown.", "if can't determine file size");
    const auto needed = qint64(double(totalFileBytes) * 1.05);
    qint64 value = needed;
    QString unit = QCoreApplication::translate("UsbDriveTexts", "bytes");
    if (needed >= 1048576) {
        value = needed / 1048576;
        unit = QCoreApplication::translate("UsbDriveTexts", "MB");
    } else if (needed >= 1024) {
        value = needed / 1024;
        unit = QCoreApplication::translate("UsbDriveTexts", "kB");
    }
    return QCoreApplication::translate("UsbDriveTexts", "%1 %2", "1=file size 2=units")
        .arg(value)
        .arg(unit);
}

QString supportedFormats(int updateViaUSB)
{
    QStringList names;
    if (updateViaUSB & Fat16)
        names << QStringLiteral("FAT16");
    if (updateViaUSB & Fat32)
        names << QStringLiteral("FAT32");
    if (updateViaUSB & Ntfs)
        names << QStringLiteral("NTFS");
    return names.join(QCoreApplication::translate("UsbDriveTexts", ", ", "separator for file systems"));
}

QString usageRestrictions(const FirmwareRelease &release)
{
    const bool serial = release.needSNMatchPosition > 0;
    const bool region = !release.needRegionSelectListingText.isEmpty();
    if (!serial && !region)
        return QCoreApplication::translate("UsbDriveTexts", "None", "no restrictions");
    QString text = serial ? release.needSNMatchDetailedDescription : QString();
    if (region) {
        if (!text.isEmpty())
            text += QCoreApplication::translate("UsbDriveTexts", " ", "separator for region and description");
        text += release.needRegionSelectDescription;
    }
    return text;
}

QString models(const FirmwareRelease &release)
{
    return release.models.join(
        QCoreApplication::translate("UsbDriveTexts", ", ", "separator between models"));
}

QString documentationLinks(const FirmwareRelease &release)
{
    QStringList links;
    for (const DocumentationLink &link : release.documentationList)
        links << QStringLiteral("<a href=\"%1\">%2</a>").arg(link.url, link.name);
    return links.join(QLatin1String("<br>"));
}

QString revisionHistory(const FirmwareRelease &release)
{
    QString text = historyBlock(release.changes);
    for (const ChangeListEntry &entry : release.previousVersionChangeList)
        text += historyBlock(entry);
    if (text.endsWith(QLatin1String("<br>")))
        text.chop(4);
    return text;
}

QString usbInstructions(const QString &instructions)
{
    const QStringList parts = items(instructions);
    if (parts.isEmpty())
        return QCoreApplication::translate("UsbDriveTexts", "No instructions available.");
    QString text;
    int step = 0;
    for (const QString &part : parts) {
        if (part.startsWith(QLatin1Char('^')))
            text += QCoreApplication::translate("UsbDriveTexts", "%1<br><br>",
                                                "separator for USB instruction steps")
                        .arg(part.mid(1));
        else
            text += QCoreApplication::translate("UsbDriveTexts", "<i><b>Step %1</b></i><br>%2<br><br>",
                                                "1=step count 2=instructions")
                        .arg(++step)
                        .arg(part);
    }
    return text;
}

}

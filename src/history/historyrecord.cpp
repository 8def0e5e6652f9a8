#include "history/historyrecord.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("HistoryColumns", text, comment);
}

QString localTimeText(const QDateTime &time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

}

qint64 HistoryRecord::durationSecs() const
{
    if (!started.isValid() || !ended.isValid() || ended < started)
        return -1;
    return started.secsTo(ended);
}

namespace HistoryColumns {

QStringList headerTexts()
{
    return {tr("Started", "column title"),         tr("Kind", "column title"),
            tr("Model Name", "column title"),      tr("Serial Number", "column title"),
            tr("IP Address", "column title"),      tr("Firmware before", "column title"),
            tr("Firmware after", "column title"),  tr("Outcome", "column title"),
            tr("Check", "column title"),           tr("Duration", "column title"),
            tr("Ended", "column title"),           tr("Release", "column title"),
            tr("Update method", "column title"),   tr("Asset Tag", "column title"),
            tr("MAC Address", "column title"),     tr("Files", "column title"),
            tr("Digests", "column title"),         tr("USB drive", "column title")};
}

QString durationText(qint64 secs)
{
    if (secs < 0)
        return QString();
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600)
        .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

QString text(const HistoryRecord &r, int column)
{
    const QString listSeparator = QStringLiteral(", ");
    switch (column) {
    case Started:
        return localTimeText(r.started);
    case Kind:
        return kindText(r.kind);
    case Model:
        return r.model;
    case SerialNumber:
        return r.serialNumber;
    case Address:
        return r.address;
    case FirmwareBefore:
        return r.firmwareBefore;
    case FirmwareAfter:
        return r.firmwareAfter;
    case Outcome:
        return r.outcome;
    case Check:
        return r.check;
    case Duration:
        return durationText(r.durationSecs());
    case Ended:
        return localTimeText(r.ended);
    case ReleaseVersion:
        return r.releaseVersion;
    case Dialect:
        return r.dialect;
    case AssetTag:
        return r.assetTag;
    case MacAddress:
        return r.macAddress;
    case Files:
        return r.files.join(listSeparator);
    case Digests:
        return r.digests.join(listSeparator);
    case Drive:
        return r.drive;
    default:
        return QString();
    }
}

QStringList rowTexts(const HistoryRecord &r)
{
    QStringList texts;
    for (int column = 0; column < Count; ++column)
        texts << text(r, column);
    return texts;
}

QList<int> filterColumns()
{
    return {Kind, Model, SerialNumber, AssetTag, Address, MacAddress, FirmwareBefore, FirmwareAfter,
            ReleaseVersion, Dialect, Outcome, Check, Files, Drive};
}

QString kindText(HistoryRecord::Kind kind)
{
    switch (kind) {
    case HistoryRecord::Kind::LanUpdate:
        return tr("LAN update");
    case HistoryRecord::Kind::OfflineDownload:
        return tr("Offline download");
    case HistoryRecord::Kind::UsbDrive:
        return tr("USB drive");
    }
    return QString();
}

}

QString HistoryRecord::kindKey(Kind kind)
{
    switch (kind) {
    case Kind::OfflineDownload:
        return QStringLiteral("offlineDownload");
    case Kind::UsbDrive:
        return QStringLiteral("usbDrive");
    case Kind::LanUpdate:
        break;
    }
    return QStringLiteral("lanUpdate");
}

HistoryRecord::Kind HistoryRecord::kindFromKey(const QString &key)
{
    for (Kind kind : {Kind::OfflineDownload, Kind::UsbDrive}) {
        if (key == kindKey(kind))
            return kind;
    }
    return Kind::LanUpdate;
}

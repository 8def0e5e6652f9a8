#include "displaylist/displaycolumns.h"

#include "displaylist/updatestatus.h"

#include <QCoreApplication>

namespace {

// The texts were written for the table model and are translated in its context.
struct TableText
{
    Q_DECLARE_TR_FUNCTIONS(displayListModel)
};

bool isSelected(const DISPLAY_LIST_ENTRY &e) { return e.selectedForUpdate; }

qint64 sessionMs(const DISPLAY_LIST_ENTRY &e, qint64 elapsedMs)
{
    if (elapsedMs >= 0)
        return elapsedMs;
    return e.updateTimer.isValid() ? e.updateTimer.elapsed() : 0;
}

// An empty cell still has a value, which sorts with the texts.
QString valueText(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QString actionText(const DISPLAY_LIST_ENTRY &e)
{
    if (e.updateViaHTTP == 0 || !e.buildOk())
        return QString();
    switch (e.matchStatus) {
    case MatchStatus::NotComparable:
    case MatchStatus::NewerViaLan:
        return TableText::tr("Update", "action column - update");
    case MatchStatus::UpToDate:
        return TableText::tr("Overwrite", "action column - if fw is same");
    default:
        return QStringLiteral("");
    }
}

QString powerStateText(const DISPLAY_LIST_ENTRY &e)
{
    switch (e.powerState) {
    case 1:
        return TableText::tr("Power On");
    case 2:
    case 4:
        return TableText::tr("Standby");
    case 3:
        return TableText::tr("Suspend");
    default:
        return QString();
    }
}

QString idleText(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled)
{
    switch (e.lastUpdateStatus) {
    case UpdateStatus::Idle:
        if (e.legacyModel != 0 && !legacyEnabled
            && (e.matchStatus == MatchStatus::UpToDate || e.matchStatus == MatchStatus::NewerViaLan))
            return TableText::tr("Firmware updates on legacy models is disabled. See Application settings.");
        if (e.matchStatus == MatchStatus::NewerUsbOnly)
            return TableText::tr("Update via USB only");
        return QString();
    default:
        return DisplayColumns::lastUpdateText(e);
    }
}

}

namespace DisplayColumns {

QString lastUpdateText(const DISPLAY_LIST_ENTRY &e)
{
    if (e.lastUpdateStatus != UpdateStatus::Complete)
        return UpdateStatus::statusText(e.lastUpdateStatus);
    return e.powerCycleKind == 2 ? TableText::tr("Success. Please manually cycle the display's AC power.")
                                 : TableText::tr("Success");
}

QString headerText(int column)
{
    switch (column) {
    case ActionColumn:
        return TableText::tr("Action", "column title");
    case ModelNameColumn:
        return TableText::tr("Model Name", "column title");
    case SerialNumberColumn:
        return TableText::tr("Serial Number", "column title");
    case AssetTagColumn:
        return TableText::tr("Asset Tag", "column title");
    case IpAddressColumn:
        return TableText::tr("IP Address", "column title");
    case MacAddressColumn:
        return TableText::tr("MAC Address", "column title");
    case PowerStateColumn:
        return TableText::tr("Power State", "column title");
    case CurrentFirmwareColumn:
        return TableText::tr("Current Firmware", "column title");
    case AvailabilityColumn:
        return TableText::tr("Firmware availability", "column title");
    case StatusColumn:
        return TableText::tr("Status", "column title");
    default:
        return QString();
    }
}

QString text(const DISPLAY_LIST_ENTRY &e, int column, bool legacyEnabled, qint64 elapsedMs)
{
    switch (column) {
    case ActionColumn:
        return actionText(e);
    case ModelNameColumn:
        return valueText(e.modelName);
    case SerialNumberColumn:
        return valueText(e.serialNumber);
    case AssetTagColumn:
        return valueText(e.assetTag);
    case IpAddressColumn:
        return valueText(displayAddressText(e.ipAddress));
    case MacAddressColumn:
        return valueText(e.macAddress);
    case PowerStateColumn:
        return powerStateText(e);
    case CurrentFirmwareColumn:
        return valueText(e.currentFirmware);
    case AvailabilityColumn:
        return valueText(availabilityText(e));
    case StatusColumn:
        return valueText(statusText(e, legacyEnabled, elapsedMs));
    default:
        return QString();
    }
}

QString availabilityText(const DISPLAY_LIST_ENTRY &e)
{
    auto byDownload = [&](const QString &idleText) {
        switch (e.downloadStatus) {
        case DownloadState::NotDownloaded:
            return idleText;
        case DownloadState::Error:
            return TableText::tr("Download error");
        case DownloadState::Downloading:
            return TableText::tr("%1% Downloading", "1=download percentage").arg(e.downloadPercent);
        case DownloadState::Downloaded:
            return e.matchStatus == MatchStatus::UpToDate
                ? TableText::tr("Downloaded")
                : TableText::tr("New version %1 downloaded", "1=new version number").arg(e.latestVersion);
        default:
            return QString();
        }
    };
    const QString newVersion = TableText::tr("New version %1 available", "1=new version number").arg(e.latestVersion);
    switch (e.matchStatus) {
    case MatchStatus::NotMatched:
        return TableText::tr("Unknown", "unable to check fw version");
    case MatchStatus::NoVersionReported:
        return TableText::tr("Version info not available from the display");
    case MatchStatus::NoRelease:
        return TableText::tr("None available for this model", "no FW available");
    case MatchStatus::NotComparable:
        return TableText::tr("Unable to compare versions", "fw version comparison failed");
    case MatchStatus::UpToDate:
        return isSelected(e) ? byDownload(TableText::tr("Available")) : TableText::tr("Up-to-date");
    case MatchStatus::NewerUsbOnly:
        return newVersion;
    case MatchStatus::NewerViaLan:
        return byDownload(newVersion);
    default:
        return QString();
    }
}

namespace {

// The components' overall percentage, -1 for a session without components.
int componentPercent(const DISPLAY_LIST_ENTRY &e)
{
    // Records never describe more components than the row can hold.
    const int n = qBound(0, e.numPACComponents, int(e.componentProgress.size()));
    int sum = 0;
    for (int i = 0; i < n; ++i)
        sum += qMax(0, e.componentProgress[i]);
    return n > 0 ? sum / n : -1;
}

}

QString statusText(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled, qint64 elapsedMs)
{
    if (!e.buildOk())
        return TableText::tr("Need newer application build %1.").arg(e.requiresAppBuild);
    if (e.lockStatus == 1 && isSelected(e))
        return TableText::tr("Error: Display is curently locked.");
    if (e.needsPowerOnToReport())
        return TableText::tr("Power On required to report display information.");
    if (e.commStatus == 1)
        return TableText::tr("Unable to communicate with display.");
    if (e.commStatus == 2 && isSelected(e))
        return TableText::tr("Error: Firmware update IP address is unreachable.");
    if (e.blockedByPowerState())
        return TableText::tr("Power state must be \"On\" to update firmware.");
    if (e.updateStatus == UpdateStatus::Idle && e.powerSaveWillChange())
        return TableText::tr("Power Save Mode will be changed to \"Off\"");

    switch (e.updateStatus) {
    case UpdateStatus::Idle:
        return idleText(e, legacyEnabled);
    case UpdateStatus::Running:
        return progressText(e, elapsedMs);
    default:
        return UpdateStatus::statusText(e.updateStatus);
    }
}

QString progressText(const DISPLAY_LIST_ENTRY &e, qint64 elapsedMs)
{
    const int n = qBound(0, e.numPACComponents, int(e.componentProgress.size()));
    QString completed;
    for (int i = 0; i < 4 && i < n; ++i) {
        if (e.componentProgress[i] >= 100)
            completed += QStringLiteral("FW%1 ").arg(i + 1);
    }
    if (!completed.isEmpty())
        completed.prepend(TableText::tr("Completed: "));

    const int percent = componentPercent(e);
    if (percent < 0)
        return e.uploading ? TableText::tr("Uploading") : TableText::tr("Updating");

    QString remaining;
    if (e.updateDurationSecs > 0) {
        const qint64 r = e.updateDurationSecs - sessionMs(e, elapsedMs) / 1000;
        // Past its estimate an update has no time left to count down.
        remaining = r < 0 ? TableText::tr(" Taking longer than estimated", "after the progress: the update runs past its estimated time")
                          : TableText::tr(" Estimated time remaining: %1:%2", "1=min 2=sec")
                                .arg(r / 60, 2, 10, QLatin1Char('0'))
                                .arg(r % 60, 2, 10, QLatin1Char('0'));
    }

    if (!e.uploading) {
        return TableText::tr("Updating %1% %2%3", "1=update percent complete 2=FW name 3=remaining time")
            .arg(percent).arg(completed, remaining);
    }
    if (e.uploadPercent < 0) {
        return TableText::tr("Uploading %1% %2%3", "1=upload percent complete 2=FW name 3=remaining time")
            .arg(percent).arg(completed, remaining);
    }
    return TableText::tr("Uploading %1% %2", "1=upload percent complete 2=remaining time")
        .arg(e.uploadPercent).arg(remaining);
}

double progressFraction(const DISPLAY_LIST_ENTRY &e)
{
    if (e.updateStatus != UpdateStatus::Running)
        return -1.0;
    const int percent = componentPercent(e);
    if (percent >= 0 && e.uploading && e.uploadPercent >= 0)
        return qBound(0, e.uploadPercent, 100) / 100.0;
    return percent < 0 ? -1.0 : qMin(percent, 100) / 100.0;
}

}

#include "lanupdate/updatequeue.h"

#include "displaylist/updatestatus.h"
#include "lanupdate/httpclient.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QUrl>
#include <QVector>

#include <algorithm>

namespace UpdateQueue {

namespace {

// The context is the one the translation tools give these calls.
QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("UpdateQueue", text, comment);
}

bool isSeries1Or2(int seriesId)
{
    return seriesId == 1 || seriesId == 2;
}

// Adds each duration to the lane with the smallest total (the first on ties).
int spread(QVector<qint64> lanes, const QList<int> &durations)
{
    for (int duration : durations)
        *std::min_element(lanes.begin(), lanes.end()) += duration;
    const qint64 longest = *std::max_element(lanes.begin(), lanes.end());
    return int(qMax<qint64>(0, longest));
}

QString updateAddress(const DISPLAY_LIST_ENTRY &e)
{
    return displayAddressText(e.useIP2 != 0 ? e.ipAddress2 : e.ipAddress);
}

}

int effectiveLimit(int multiUpdateLimit)
{
    return qMax(1, multiUpdateLimit);
}

bool isCandidate(const DISPLAY_LIST_ENTRY &e)
{
    return e.selectedForUpdate && e.downloadStatus == DownloadState::Downloaded;
}

bool powerSaveChangeNeeded(const DISPLAY_LIST_ENTRY &e)
{
    return isSeries1Or2(e.seriesId) && (e.powerSaveMode == 0 || e.powerSaveMode == 1);
}

bool powerSaveChangeStartable(const DISPLAY_LIST_ENTRY &e)
{
    return isCandidate(e) && powerSaveChangeNeeded(e) && !e.updateClient && !e.tcpClient;
}

FirmwareFileList firmwareFiles(const FirmwareRelease &release, const QString &cacheFolder)
{
    FirmwareFileList list;
    if (release.unpackedFileInfo.isEmpty()) {
        list.paths.append(cacheFolder + QLatin1Char('/') + QFileInfo(QUrl(release.downloadLoc).path()).fileName());
        return list;
    }
    if (release.unpackedFileInfo.size() > LanUpdate::kSlotCount) {
        list.tooMany = true;
        return list;
    }
    for (const UnpackedFileInfo &file : release.unpackedFileInfo)
        list.paths.append(cacheFolder + QLatin1Char('/') + file.fileName);
    return list;
}

int plannedSecondsEstimate(const DisplayList &list, int limit)
{
    QList<int> durations;
    for (const DISPLAY_LIST_ENTRY &e : list) {
        if (isCandidate(e) && e.updateDurationSecs > 0)
            durations.append(e.updateDurationSecs);
    }
    return spread(QVector<qint64>(effectiveLimit(limit), 0), durations);
}

qint64 timerSeconds(const DISPLAY_LIST_ENTRY &e)
{
    return e.updateTimer.isValid() ? e.updateTimer.elapsed() / 1000 : 0;
}

int remainingSecondsEstimate(const DisplayList &list, int limit, const ElapsedSeconds &elapsedSecs)
{
    QVector<qint64> lanes(effectiveLimit(limit), 0);
    int lane = 0;
    QList<int> queued;
    for (const DISPLAY_LIST_ENTRY &e : list) {
        if (!e.selectedForUpdate || e.updateDurationSecs <= 0)
            continue;
        if (e.updateStatus == UpdateStatus::Running && lane < lanes.size())
            lanes[lane++] = qMax<qint64>(0, e.updateDurationSecs - elapsedSecs(e)); // overdue: nothing left
        else if (e.updateStatus == UpdateStatus::Queued)
            queued.append(e.updateDurationSecs);
    }
    return spread(lanes, queued);
}

int confirmationMinutes(int seconds)
{
    return int(seconds / 60.0 + 0.5);
}

ConfirmationTexts confirmationTexts(const DisplayList &list, bool showAssetTag, int plannedSeconds)
{
    ConfirmationTexts texts;
    bool note1 = false;
    bool note2 = false;
    QString rows;
    for (const DISPLAY_LIST_ENTRY &e : list) {
        if (!isCandidate(e))
            continue;
        QString notes;
        if (e.powerCycleKind == 2) {
            notes += tr("See note 1.");
            note1 = true;
        }
        if (powerSaveChangeNeeded(e)) {
            notes += tr("See note 2.");
            notes += tr("Current setting is &quot;%1&quot;.", "1=text of power save mode")
                         .arg(e.powerSaveMode == 0 ? tr("Auto Power Save") : tr("Auto Standby"));
            note2 = true;
        }
        const QString number = QString::number(++texts.rows);
        const QString address = displayAddressText(e.ipAddress);
        if (showAssetTag) {
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                        .arg(number, e.modelName, e.serialNumber, e.assetTag, address, notes);
        } else {
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                        .arg(number, e.modelName, e.serialNumber, address, notes);
        }
    }
    texts.heading = tr("The firmware on the following %1 display(s) is about to be updated.<br>",
                       "1=number of displays")
                        .arg(texts.rows);
    const QString assetCell = showAssetTag ? tr("<td bgcolor=\"#DDDDDD\">Asset Tag</td>") : QString();
    texts.table = tr("<table table border=\"1\" cellpadding=\"5\" cellspacing=\"0\"><thead><tr><td bgcolor=\"#DDDDDD\">#</td><td bgcolor=\"#DDDDDD\">Model</td><td bgcolor=\"#DDDDDD\">Serial Number</td>")
        + assetCell
        + tr("<td bgcolor=\"#DDDDDD\">IP Address</td><td bgcolor=\"#DDDDDD\">Notes</td></tr></thead>")
        + rows + QStringLiteral("</table>");
    if (note1)
        texts.below += tr("<b>Note 1: <img src=\":/resources/reset power.svg\" width=\"16\" height=\"16\"> Display will require a manual AC power cycle after the firmware update is completed.</b><br>");
    if (note2)
        texts.below += tr("<b>Note 2: The display's &quot;Power Save Mode&quot; will be automatically changed to &quot;Off&quot; while the firmware update is applied. Please manually change this setting back once the firmware update is completed.</b><br>");
    if (plannedSeconds > 0)
        texts.below += tr("<br>The update process will take at least %1 minutes during which time the screens will go blank and the displays will be inoperable.<br>")
                           .arg(confirmationMinutes(plannedSeconds));
    texts.below += tr("<br><b>Are you sure you want to proceed?</b>");
    return texts;
}

QString statusLine(int running, int queued, int remainingSeconds)
{
    QString line = tr("Updating firmware on %1 display(s) via LAN. %2 display(s) are queued.").arg(running).arg(queued);
    if (remainingSeconds >= 0) {
        line += tr(" Total estimated time remaining: %1:%2", "1=minutes 2=seconds")
                    .arg(remainingSeconds / 60, 2, 10, QLatin1Char('0'))
                    .arg(remainingSeconds % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

bool applySnapshot(DISPLAY_LIST_ENTRY &e, int row, const SessionSnapshot &s)
{
    e.uploading = s.uploading;
    e.uploadPercent = s.uploadPercent;
    const QString address = updateAddress(e);
    bool busy = true;
    for (int k = 0; k < LanUpdate::kSlotCount; ++k) {
        const int code = s.componentStatus[k];
        if (code == UpdateStatus::Idle)
            continue;
        if (code == UpdateStatus::Running) {
            e.componentProgress[k] = s.componentProgress[k];
            continue;
        }
        if (code == UpdateStatus::Complete)
            e.componentProgress[k] = 100;
        if (code >= UpdateStatus::UploadRetrying && code <= UpdateStatus::UploadFailed) {
            qInfo() << "Display #" << row + 1 << "Status:" << HttpClient::statusText(code) << "for firmware #"
                    << k + 1 << "for Model:" << e.modelName << "IP address:" << address;
            e.lastUpdateStatus = code;
            if (code == UpdateStatus::UploadRetrying)
                continue;
        }
        // A display of the first two series settles on any final code; the
        // others keep going past a failed component until the session ends.
        if (e.seriesId < 3 || code != UpdateStatus::UploadRetryFailed || s.status == UpdateStatus::UpdateFailed)
            busy = false;
    }
    // A session whose status is final sends nothing more: its row finishes
    // even when no component has settled, instead of staying "running".
    const bool sessionEnded = s.status != UpdateStatus::Running && s.status != UpdateStatus::Queued;
    if ((busy || s.status == UpdateStatus::Running) && !sessionEnded)
        return false;

    e.lastUpdateStatus = s.status;
    qInfo() << "Display #" << row + 1 << "Update result:" << HttpClient::statusText(s.status)
            << "for Model:" << e.modelName << "IP address:" << address;
    if (s.status == UpdateStatus::Complete) {
        e.currentFirmware = e.latestVersion;
        e.matchStatus = MatchStatus::UpToDate;
        e.selectedForUpdate = false;
        qInfo() << "Display #" << row + 1 << "Update complete. Model:" << e.modelName << "IP address:" << address;
    }
    e.updateStatus = UpdateStatus::Idle;
    return true;
}

PassResult servicePass(DisplayList &list, int &running, int limit, const SessionAccess &access)
{
    PassResult result;
    for (int row = 0; row < list.size(); ++row) {
        DISPLAY_LIST_ENTRY &e = list[row];
        if (!e.selectedForUpdate || e.updateStatus == UpdateStatus::Idle)
            continue;
        if (e.updateStatus == UpdateStatus::Queued) {
            ++result.queued;
            if (running >= effectiveLimit(limit))
                continue;
            access.start(row);
            e.updateStatus = UpdateStatus::Running;
            if (e.updateDurationSecs > 0)
                e.updateTimer.restart();
            ++running;
            result.started.append(row);
            qInfo() << "Display #" << row + 1 << "Starting update. Model:" << e.modelName << "IP address:"
                    << displayAddressText(e.ipAddress);
        }
        if (applySnapshot(e, row, access.read(row))) {
            result.completed = result.completed || e.lastUpdateStatus == UpdateStatus::Complete;
            access.release(row);
            --running;
            result.finished.append(row);
        }
        result.changed.append(row);
    }
    return result;
}

QList<int> cancelQueued(DisplayList &list, const std::function<void(int row)> &release)
{
    QList<int> cancelled;
    for (int row = 0; row < list.size(); ++row) {
        DISPLAY_LIST_ENTRY &e = list[row];
        if (e.updateStatus != UpdateStatus::Queued)
            continue;
        qInfo() << "Display#" << row + 1 << "Canceling queued update of " << e.modelName << " at "
                << displayAddressText(e.ipAddress);
        e.updateStatus = UpdateStatus::Idle;
        release(row);
        cancelled.append(row);
    }
    return cancelled;
}

}

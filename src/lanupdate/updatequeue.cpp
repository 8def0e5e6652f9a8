#include "lanupdate/updatequeue.h"

#include "displaylist/updatestatus.h"
#include "download/packagefilename.h"
#include "lanupdate/httpclient.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <QVector>

#include <algorithm>
#include <limits>

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
    return displayAddressText(e.updateAddress());
}

// Components the session is to send (its pending slots), and a file for the first.
bool sendsFirmware(const DISPLAY_LIST_ENTRY &e, const FirmwareFileList &files)
{
    return e.numPACComponents > 0 && !files.paths.isEmpty() && !QFileInfo(files.paths.first()).fileName().isEmpty();
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
    list.unpacked = !release.unpackedFileInfo.isEmpty();
    list.releaseFiles = list.unpacked ? release.unpackedFileInfo.size() : 1;
    if (!list.unpacked) {
        list.paths.append(cacheFolder + QLatin1Char('/') + FirmwareFiles::packageFileName(release.downloadLoc));
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

QList<PlannedRow> planQueue(const DisplayList &list, const FilesOf &filesOf)
{
    QHash<QString, int> heldBy; // update address -> row
    for (int row = 0; row < list.size(); ++row) {
        const DISPLAY_LIST_ENTRY &e = list.at(row);
        if (e.updateStatus == UpdateStatus::Queued || e.updateStatus == UpdateStatus::Running)
            heldBy.insert(updateAddress(e), row);
    }
    QList<PlannedRow> plans;
    for (int row = 0; row < list.size(); ++row) {
        const DISPLAY_LIST_ENTRY &e = list.at(row);
        PlannedRow plan;
        plan.row = row;
        if (!isCandidate(e) || e.updateStatus != UpdateStatus::Idle || !filesOf(e, &plan.files))
            continue;
        if (plan.files.tooMany)
            plan.refusal = Refusal::TooManyFiles;
        else if (e.seriesId == 0)
            plan.refusal = Refusal::UnknownSeries;
        else if (!sendsFirmware(e, plan.files))
            plan.refusal = Refusal::NoFirmware;
        else if (heldBy.contains(updateAddress(e)))
            plan.refusal = Refusal::SharedAddress;
        if (plan.refusal == Refusal::SharedAddress)
            plan.sharedWith = heldBy.value(updateAddress(e));
        else if (plan.refusal == Refusal::None)
            heldBy.insert(updateAddress(e), row);
        plans.append(plan);
    }
    return plans;
}

QString reportRefusal(const DisplayList &list, const PlannedRow &plan)
{
    const DISPLAY_LIST_ENTRY &e = list.at(plan.row);
    const QString address = displayAddressText(e.ipAddress);
    switch (plan.refusal) {
    case Refusal::TooManyFiles:
        qInfo() << "Display #" << plan.row + 1 << "Not updated: the release of Model:" << e.modelName << "has"
                << plan.files.releaseFiles << "firmware files, more than an update session takes ("
                << LanUpdate::kSlotCount << ")";
        return tr("Not updated: %1 at %2: its firmware release has more files than an update can send.",
                  "1=model name 2=IP address")
            .arg(e.modelName, address);
    case Refusal::NoFirmware:
        qInfo() << "Display #" << plan.row + 1 << "Not updated: the release of Model:" << e.modelName
                << "names no firmware file to send. Component count:" << e.numPACComponents;
        return tr("Not updated: %1 at %2: its firmware release names nothing to send.", "1=model name 2=IP address")
            .arg(e.modelName, address);
    case Refusal::SharedAddress:
        qInfo() << "Display #" << plan.row + 1 << "Not updated: Model:" << e.modelName << "IP address:" << address
                << "update IP address:" << updateAddress(e) << "is the update address of Display #"
                << plan.sharedWith + 1 << "as well";
        return tr("Not updated: %1 at %2 shares its update address %3 with another display being updated.",
                  "1=model name 2=IP address 3=update IP address")
            .arg(e.modelName, address, updateAddress(e));
    default:
        return QString();
    }
}

QMap<int, QString> reportRefusals(const DisplayList &list, const QList<PlannedRow> &plans)
{
    QMap<int, QString> texts;
    for (const PlannedRow &plan : plans) {
        const QString text = reportRefusal(list, plan);
        if (!text.isEmpty())
            texts.insert(plan.row, text);
    }
    return texts;
}

int sessionDeadlineSecs(const DISPLAY_LIST_ENTRY &e)
{
    return int(qBound(qint64(600), 3 * qint64(e.updateDurationSecs), qint64(std::numeric_limits<int>::max())));
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
            lanes[lane++] = qMax(qint64(0), e.updateDurationSecs - elapsedSecs(e)); // overdue: nothing left
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
    texts.plannedSeconds = plannedSeconds;
    bool note1 = false;
    bool note2 = false;
    QString rows;
    for (int row = 0; row < list.size(); ++row) {
        const DISPLAY_LIST_ENTRY &e = list.at(row);
        if (!isCandidate(e))
            continue;
        texts.listedRows.append(row);
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
        // Names and tags come from the displays: text, never markup.
        const QString number = QString::number(++texts.rows);
        const QString address = displayAddressText(e.ipAddress);
        if (showAssetTag) {
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                        .arg(number, e.modelName.toHtmlEscaped(), e.serialNumber.toHtmlEscaped(),
                             e.assetTag.toHtmlEscaped(), address, notes);
        } else {
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                        .arg(number, e.modelName.toHtmlEscaped(), e.serialNumber.toHtmlEscaped(), address, notes);
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
    texts.question = tr("<br><b>Are you sure you want to proceed?</b>");
    texts.below += texts.question;
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
        const QString firmwareBefore = e.currentFirmware;
        if (applySnapshot(e, row, access.read(row))) {
            if (e.lastUpdateStatus == UpdateStatus::Complete)
                result.completed.insert(row, firmwareBefore);
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

// The engine's side of LAN updates: what the confirmation lists, the
// power-save changes that must come first, one update session per checked
// display, the queue tick that runs sessions within the simultaneous-update
// limit and copies their progress into the rows, the check of each updated
// display once it has restarted, cancelling queued updates, the journal that
// keeps track of running updates across an abrupt end, and the lock that lets
// one program at a time update displays.
#include "app/fleetengine.h"

#include "discovery/controlprotocol.h"
#include "displaylist/updatestatus.h"
#include "history/updatehistory.h"
#include "lanupdate/httpclient.h"
#include "lanupdate/updatequeue.h"
#include "lanupdate/updateverifier.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// The rows that will be offered and updated: refused rows are neither listed
// nor switched out of power-save mode.
QSet<int> refusedRows(const QList<UpdateQueue::PlannedRow> &plans)
{
    QSet<int> refused;
    for (const UpdateQueue::PlannedRow &plan : plans) {
        if (plan.refusal != UpdateQueue::Refusal::None && plan.refusal != UpdateQueue::Refusal::UnknownSeries)
            refused.insert(plan.row);
    }
    return refused;
}

}

UpdateQueue::ConfirmationTexts FleetEngine::confirmationTexts() const
{
    DisplayList offered = m_displayList;
    const QSet<int> refused = refusedRows(planFirmwareUpdates());
    for (int row : refused)
        offered[row].selectedForUpdate = false;
    return UpdateQueue::confirmationTexts(offered, m_showAssetTag,
                                          UpdateQueue::plannedSecondsEstimate(offered, m_multiUpdateLimit));
}

void FleetEngine::requestConfirmation()
{
    if (confirmationTexts().rows != 0) {
        emit lanUpdateReady();
        return;
    }
    reportQueueRefusals(planFirmwareUpdates());
    emit lanUpdateNotStarted();
}

bool FleetEngine::confirmUpdates()
{
    const bool lockHeld = m_updateLock != nullptr;
    QString why;
    if (!holdUpdateLock(&why)) {
        qInfo() << "LAN update refused:" << why;
        emit updateRefused(why);
        return false;
    }
    m_releaseLockAfterQueue = !lockHeld;
    const QSet<int> refused = refusedRows(planFirmwareUpdates());
    m_powerSaveChangePending = false;
    for (int row = 0; row < m_displayList.size(); ++row) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        if (!UpdateQueue::powerSaveChangeStartable(entry) || refused.contains(row))
            continue;
        entry.commStatus = 0;
        m_powerSaveChangePending = true;
        qInfo() << "Display #" << row + 1 << "Requesting Power Save Mode change. Model:" << entry.modelName;
        startTcpClient(row, TCP_REQ_POWER_SAVE_OFF, &FleetEngine::requestResult);
        emit rowChanged(row);
    }
    if (!m_powerSaveChangePending)
        queueFirmwareUpdates();
    else
        emit stateChanged(true);
    return true;
}

QList<UpdateQueue::PlannedRow> FleetEngine::planFirmwareUpdates() const
{
    return UpdateQueue::planQueue(m_displayList, [this](const DISPLAY_LIST_ENTRY &e, UpdateQueue::FirmwareFileList *files) {
        FirmwareRelease release;
        if (m_releaseDb.findForDisplay(e.modelName, e.serialNumber, release) != 0)
            return false;
        *files = UpdateQueue::firmwareFiles(release, m_cacheFolder);
        return true;
    });
}

void FleetEngine::reportQueueRefusals(const QList<UpdateQueue::PlannedRow> &plans)
{
    // Kept on the status line until the next queueing: the tick rewrites it every second.
    m_queueRefusals = QStringList(UpdateQueue::reportRefusals(m_displayList, plans).values()).join(QLatin1Char(' '));
    if (!m_queueRefusals.isEmpty())
        emit statusMessage(m_queueRefusals);
}

void FleetEngine::queueFirmwareUpdates()
{
    int queued = 0;
    const QList<UpdateQueue::PlannedRow> plans = planFirmwareUpdates();
    for (const UpdateQueue::PlannedRow &plan : plans) {
        const int i = plan.row;
        DISPLAY_LIST_ENTRY &entry = m_displayList[i];
        const QStringList &paths = plan.files.paths;
        for (int k = 0; k < paths.size(); ++k) {
            if (!plan.files.unpacked)
                qInfo() << "Display #" << i + 1 << "Firmware file" << paths.at(k)
                        << "is ready for ModelName:" << entry.modelName;
            else
                qInfo() << "Display #" << i + 1 << "Firmware file #" << k + 1 << paths.at(k)
                        << "is ready for ModelName:" << entry.modelName;
        }
        if (plan.refusal != UpdateQueue::Refusal::None)
            continue;
        if (!entry.updateClient)
            entry.updateClient = new HttpClient(this);
        const QString address = displayAddressText(entry.updateAddress());
        LanUpdate::SlotFlags pending{};
        for (int k = 0; k < LanUpdate::kSlotCount; ++k)
            pending[k] = k < entry.numPACComponents;
        qInfo() << "Display #" << i + 1 << "Queuing update for Model:" << entry.modelName
                << "update IP address:" << address << "Update file:" << paths.value(0)
                << "Component count:" << paths.size();
        entry.updateClient->setup(i, address, paths, pending, 0, entry.seriesId, paths.size());
        entry.updateClient->setDeadlineSecs(UpdateQueue::sessionDeadlineSecs(entry));
        entry.updateStatus = UpdateStatus::Queued;
        entry.updateCheck.clear();
        entry.componentProgress.fill(-1);
        entry.commStatus = 0;
        emit rowChanged(i);
        ++queued;
    }
    m_updateRun.begin(queued);
    if (queued > 0) {
        m_runningUpdates = 0;
        m_awaitingJournal = false;
        m_firmUpdateTimer.start();
    } else {
        endUpdates();
    }
    reportQueueRefusals(plans);
    emit stateChanged(true);
}

void FleetEngine::updateTick()
{
    // After the last session the tick goes on only until the journal says so too.
    if (!m_awaitingJournal) {
        if (serviceUpdateQueue())
            return;
        emit statusMessage(withQueueRefusals(tr("Update finished")));
        qInfo() << "All updates finished";
    }
    m_awaitingJournal = !writeUpdateJournal();
    if (!m_awaitingJournal) {
        m_firmUpdateTimer.stop();
        endUpdates();
    }
}

void FleetEngine::endUpdates()
{
    if (m_releaseLockAfterQueue)
        m_updateLock.reset();
    m_releaseLockAfterQueue = false;
    emit stateChanged(true);
    emit updatesFinished();
}

bool FleetEngine::serviceUpdateQueue()
{
    UpdateQueue::SessionAccess access;
    access.start = [this](int row) {
        m_displayList[row].updateClient->start();
        m_updateStarted.insert(row, QDateTime::currentDateTimeUtc());
    };
    access.read = [this](int row) {
        UpdateQueue::SessionSnapshot s;
        const HttpClient *client = m_displayList.at(row).updateClient;
        if (!client) {
            // Never lose a row: one without a session has nothing left to run.
            s.status = UpdateStatus::HttpCommError;
            return s;
        }
        s.status = client->status();
        for (int k = 0; k < LanUpdate::kSlotCount; ++k) {
            s.componentStatus[k] = client->componentStatus(k);
            s.componentProgress[k] = client->componentProgress(k);
        }
        s.uploading = client->uploadState(s.uploadPercent);
        return s;
    };
    QHash<int, QDateTime> endedStarts;
    access.release = [this, &endedStarts](int row) {
        releaseUpdateClient(row);
        endedStarts.insert(row, m_updateStarted.take(row));
    };
    const UpdateQueue::PassResult pass =
        UpdateQueue::servicePass(m_displayList, m_runningUpdates, m_multiUpdateLimit, access);
    m_updateRun.passed(pass);
    QHash<int, QString> historyKeys;
    for (int row : pass.finished) {
        // A completed row's list entry already shows the new firmware.
        historyKeys.insert(row, recordUpdateSession(row, endedStarts.value(row),
                                                    pass.completed.value(row, m_displayList.at(row).currentFirmware)));
    }
    for (auto it = pass.completed.cbegin(); it != pass.completed.cend(); ++it)
        checkUpdatedDisplay(it.key(), it.value(), historyKeys.value(it.key()));
    for (int row : pass.changed)
        emit rowChanged(row);
    writeUpdateJournal();
    const int remaining = UpdateQueue::remainingSecondsEstimate(m_displayList, m_multiUpdateLimit);
    emit statusMessage(withQueueRefusals(UpdateQueue::statusLine(m_runningUpdates, pass.queued, remaining)));
    emit stateChanged(!pass.finished.isEmpty());
    return m_runningUpdates != 0;
}

QString FleetEngine::withQueueRefusals(const QString &line) const
{
    return m_queueRefusals.isEmpty() ? line : line + QLatin1Char(' ') + m_queueRefusals;
}

void FleetEngine::checkUpdatedDisplay(int row, const QString &firmwareBefore, const QString &historyKey)
{
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    entry.updateCheck = UpdateVerifier::pendingText();
    ++m_pendingChecks;
    auto *verifier = new UpdateVerifier(this);
    connect(verifier, &UpdateVerifier::finished, this, [this, verifier, historyKey](const UpdateVerifier::Outcome &outcome) {
        verifier->deleteLater();
        --m_pendingChecks;
        if (m_history)
            m_history->complete(historyKey, outcome.reported, UpdateVerifier::outcomeText(outcome));
        qInfo() << "Display #" << outcome.row + 1 << "Firmware check after the update:"
                << UpdateVerifier::resultName(outcome.result) << "Reported:" << outcome.reported
                << "Expected:" << outcome.expected << "Before:" << outcome.previous
                << "IP address:" << displayAddressText(outcome.address);
        // The list may have been searched again meanwhile: the display's row now.
        for (int i = 0; i < m_displayList.size(); ++i) {
            if (m_displayList.at(i).ipAddress != outcome.address)
                continue;
            m_displayList[i].updateCheck = UpdateVerifier::outcomeText(outcome);
            emit rowChanged(i);
            break;
        }
        emit stateChanged(true);
    });
    verifier->start(row, entry.ipAddress, UpdateVerifier::firmwareReadFlags(entry), entry.latestVersion,
                    firmwareBefore);
}

void FleetEngine::releaseUpdateClient(int row)
{
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    if (entry.updateClient)
        entry.updateClient->deleteLater();
    entry.updateClient = nullptr;
}

void FleetEngine::cancelQueuedUpdates()
{
    const QList<int> cancelled =
        UpdateQueue::cancelQueued(m_displayList, [this](int row) { releaseUpdateClient(row); });
    m_updateRun.cancelled(cancelled.size());
    for (int row : cancelled)
        emit rowChanged(row);
    if (!cancelled.isEmpty())
        emit stateChanged(true);
}

bool FleetEngine::writeUpdateJournal()
{
    // Written only when a session starts, ends or changes step (or the last
    // attempt failed): a write waits for the disk, and the journal needs no finer grain.
    QList<UpdateJournal::Entry> entries;
    for (int row = 0; row < m_displayList.size(); ++row) {
        const DISPLAY_LIST_ENTRY &entry = m_displayList.at(row);
        if (entry.updateStatus == UpdateStatus::Running)
            entries.append(UpdateJournal::entryFor(row, entry, m_updateStarted.value(row)));
    }
    return m_updateJournal.keepInStep(entries);
}

void FleetEngine::reportInterruptedUpdates()
{
    // While another program updates displays, the journal is its own.
    if (!m_updateLock && !m_updateLockFile.isEmpty()) {
        QDir().mkpath(QFileInfo(m_updateLockFile).path());
        QLockFile probe(m_updateLockFile);
        probe.setStaleLockTime(0);
        if (!probe.tryLock(0))
            return;
    }
    const QList<UpdateJournal::Entry> entries = m_updateJournal.read();
    if (entries.isEmpty())
        return;
    for (const UpdateJournal::Entry &entry : entries) {
        qInfo() << "Update interrupted by the end of the program: Model:" << entry.model << "Serial:"
                << entry.serialNumber << "IP address:" << entry.address << "Last step:"
                << UpdateJournal::stepText(entry.step) << "Started:" << entry.started.toString(Qt::ISODate);
    }
    recordInterruptedUpdates(entries);
    // Told once: the log keeps the details from now on. Should the removal
    // fail, the queue tick of the next update tries again.
    m_updateJournal.keepInStep({});
    emit interruptedUpdates(UpdateJournal::reportText(entries));
}

// The main window's side of LAN updates: the confirmation, the power-save
// changes that must come first, one update session per checked display,
// the queue tick that runs sessions within the simultaneous-update limit and
// copies their progress into the rows, cancelling queued updates, and the
// journal that keeps track of running updates across an abrupt end.
#include "app/pdfirmuptool.h"

#include "ui_pdfirmuptool.h"

#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/messageboxes.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "discovery/controlprotocol.h"
#include "discovery/tcpclient.h"
#include "displaylist/updatestatus.h"
#include "lanupdate/httpclient.h"
#include "lanupdate/updatequeue.h"

#include <QStatusBar>

void PDFirmUpTool::confirm_firmware_update()
{
    const UpdateQueue::ConfirmationTexts texts = UpdateQueue::confirmationTexts(
        m_displayList, ui->actionShow_Asset_Tag_column->isChecked(), plannedSecondsEstimate());
    if (texts.rows == 0)
        return;
    if (!m_cautionsAccepted) {
        UpdateWarningMessageDialog cautions(this);
        if (cautions.exec() != QDialog::Accepted)
            return;
        m_cautionsAccepted = true;
    }
    ConfirmWithScrollMsgAreaDialog confirmation(this, windowTitle(), texts.heading, texts.table, texts.below);
    if (confirmation.exec() != QDialog::Accepted)
        return;

    m_powerSaveChangePending = false;
    for (int row = 0; row < m_displayList.size(); ++row) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[row];
        if (!UpdateQueue::powerSaveChangeStartable(entry))
            continue;
        entry.commStatus = 0;
        m_powerSaveChangePending = true;
        qInfo() << "Display #" << row + 1 << "Requesting Power Save Mode change. Model:" << entry.modelName;
        startTcpClient(row, TCP_REQ_POWER_SAVE_OFF, &PDFirmUpTool::perform_request_TcpClient);
        emit update_info(row);
    }
    if (!m_powerSaveChangePending)
        queueFirmwareUpdates();
    else
        update_ui(true);
}

void PDFirmUpTool::queueFirmwareUpdates()
{
    bool queued = false;
    for (int i = 0; i < m_displayList.size(); ++i) {
        DISPLAY_LIST_ENTRY &entry = m_displayList[i];
        if (!UpdateQueue::isCandidate(entry) || entry.updateStatus != UpdateStatus::Idle)
            continue;
        FirmwareRelease release;
        if (m_releaseDb.findForDisplay(entry.modelName, entry.serialNumber, release) != 0)
            continue;
        const UpdateQueue::FirmwareFileList files = UpdateQueue::firmwareFiles(release, m_cacheFolder);
        if (files.tooMany) {
            qInfo() << "Display #" << i + 1 << "Not updated: the release of Model:" << entry.modelName << "has"
                    << release.unpackedFileInfo.size() << "firmware files, more than an update session takes ("
                    << LanUpdate::kSlotCount << ")";
            continue;
        }
        for (int k = 0; k < files.paths.size(); ++k) {
            if (release.unpackedFileInfo.isEmpty())
                qInfo() << "Display #" << i + 1 << "Firmware file" << files.paths.at(k)
                        << "is ready for ModelName:" << entry.modelName;
            else
                qInfo() << "Display #" << i + 1 << "Firmware file #" << k + 1 << files.paths.at(k)
                        << "is ready for ModelName:" << entry.modelName;
        }
        if (entry.seriesId == 0)
            continue;
        if (!entry.updateClient)
            entry.updateClient = new HttpClient(this);
        const QString address = displayAddressText(entry.useIP2 != 0 ? entry.ipAddress2 : entry.ipAddress);
        LanUpdate::SlotFlags pending{};
        for (int k = 0; k < LanUpdate::kSlotCount; ++k)
            pending[k] = k < entry.numPACComponents;
        qInfo() << "Display #" << i + 1 << "Queuing update for Model:" << entry.modelName
                << "update IP address:" << address << "Update file:" << files.paths.value(0)
                << "Component count:" << files.paths.size();
        entry.updateClient->setup(i, address, files.paths, pending, 0, entry.seriesId, files.paths.size());
        entry.updateStatus = UpdateStatus::Queued;
        entry.componentProgress.fill(-1);
        entry.commStatus = 0;
        emit update_info(i);
        queued = true;
    }
    if (queued) {
        m_runningUpdates = 0;
        m_firmUpdateTimer.start();
    }
    update_ui(true);
}

void PDFirmUpTool::FirmUpdateTimerHandle()
{
    if (serviceUpdateQueue())
        return;
    m_firmUpdateTimer.stop();
    statusBar()->showMessage(tr("Update finished"));
    qInfo() << "All updates finished";
}

bool PDFirmUpTool::serviceUpdateQueue()
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
    access.release = [this](int row) {
        releaseUpdateClient(row);
        m_updateStarted.remove(row);
    };
    const UpdateQueue::PassResult pass =
        UpdateQueue::servicePass(m_displayList, m_runningUpdates, m_multiUpdateLimit, access);
    for (int row : pass.changed)
        emit update_info(row);
    writeUpdateJournal();
    statusBar()->showMessage(UpdateQueue::statusLine(m_runningUpdates, pass.queued, remainingSecondsEstimate()));
    update_ui(pass.completed || !pass.finished.isEmpty());
    return m_runningUpdates != 0;
}

int PDFirmUpTool::plannedSecondsEstimate() const
{
    return UpdateQueue::plannedSecondsEstimate(m_displayList, m_multiUpdateLimit);
}

int PDFirmUpTool::remainingSecondsEstimate() const
{
    return UpdateQueue::remainingSecondsEstimate(m_displayList, m_multiUpdateLimit);
}

void PDFirmUpTool::releaseUpdateClient(int row)
{
    DISPLAY_LIST_ENTRY &entry = m_displayList[row];
    if (entry.updateClient)
        entry.updateClient->deleteLater();
    entry.updateClient = nullptr;
}

void PDFirmUpTool::on_actionCancel_all_queued_updates_via_LAN_triggered()
{
    const QList<int> cancelled =
        UpdateQueue::cancelQueued(m_displayList, [this](int row) { releaseUpdateClient(row); });
    for (int row : cancelled)
        emit update_info(row);
    if (!cancelled.isEmpty())
        update_ui(true);
}

void PDFirmUpTool::writeUpdateJournal()
{
    // Written only when a session starts, ends or changes step: a write
    // waits for the disk, and the journal needs no finer grain.
    bool changed = false;
    QList<UpdateJournal::Entry> entries;
    QHash<int, int> steps;
    for (int row = 0; row < m_displayList.size(); ++row) {
        const DISPLAY_LIST_ENTRY &entry = m_displayList.at(row);
        if (entry.updateStatus != UpdateStatus::Running)
            continue;
        entries.append(UpdateJournal::entryFor(row, entry, m_updateStarted.value(row)));
        steps.insert(row, entries.last().step);
        changed = changed || m_journalSteps.value(row, -1) != entries.last().step;
    }
    if (!changed && steps.size() == m_journalSteps.size())
        return;
    m_journalSteps = steps;
    if (!m_updateJournal.write(entries))
        qInfo() << "Unable to write the record of running updates:" << m_updateJournal.path();
}

void PDFirmUpTool::reportInterruptedUpdates()
{
    const QList<UpdateJournal::Entry> entries = m_updateJournal.read();
    if (entries.isEmpty())
        return;
    for (const UpdateJournal::Entry &entry : entries) {
        qInfo() << "Update interrupted by the end of the program: Model:" << entry.model << "Serial:"
                << entry.serialNumber << "IP address:" << entry.address << "Last step:"
                << UpdateJournal::stepText(entry.step) << "Started:" << entry.started.toString(Qt::ISODate);
    }
    const QString text = UpdateJournal::reportText(entries);
    // Told once: the log keeps the details from now on.
    m_updateJournal.remove();
    MessageBoxes::information(this, windowTitle(), text);
}

#include "cli/updatecommand.h"

#include "cli/clioutput.h"
#include "cli/plantext.h"
#include "cli/terminal.h"
#include "displaylist/displaycolumns.h"
#include "displaylist/displaylistexport.h"
#include "displaylist/updatestatus.h"
#include "lanupdate/updatequeue.h"

#include <QJsonArray>

UpdateCommand::UpdateCommand(const Context &context, QObject *parent)
    : CliCommand(context, parent)
{
}

bool UpdateCommand::prepare()
{
    connect(m_engine, &FleetEngine::lanUpdateReady, this, &UpdateCommand::firmwareReady);
    connect(m_engine, &FleetEngine::lanUpdateNotStarted, this, [this] {
        if (m_stage == Stage::Downloading) {
            noteQueueRefusals();
            report(Cli::ExitSomeFailed);
        }
    });
    connect(m_engine, &FleetEngine::updateRefused, this,
            [this](const QString &text) { fail(text, Cli::ExitBadInput); });
    connect(m_engine, &FleetEngine::rowChanged, this, &UpdateCommand::rowChanged);
    connect(m_engine, &FleetEngine::updatesFinished, this, [this] {
        m_updatesEnded = true;
        endWhenChecked();
    });
    connect(m_engine, &FleetEngine::interruptedUpdates, this,
            [this](const QString &text) { m_context.terminal->line(text); });
    if (m_options.dryRun)
        return true;
    // Nothing may change before it is clear that the run can go through.
    if (!m_options.yes && (m_context.output->json() || !m_context.terminal->interactive())) {
        fail(tr("An update needs --yes when nobody can answer its question (JSON output, or no terminal); "
                "--dry-run shows what it would do."),
             Cli::ExitBadInput);
        return false;
    }
    QString why;
    if (!m_engine->holdUpdateLock(&why)) {
        fail(why, Cli::ExitBadInput);
        return false;
    }
    if (!firmwareFolderWritable())
        return false;
    m_engine->reportInterruptedUpdates();
    return true;
}

void UpdateCommand::databaseLoaded()
{
    for (const QString &model : m_options.models) {
        if (m_engine->releaseDb().indicesForModel(model).isEmpty()) {
            fail(CliCommand::tr("No release in the firmware catalogue names the model %1.").arg(model), Cli::ExitBadInput);
            return;
        }
    }
    searchDisplays();
}

bool UpdateCommand::selects(const DISPLAY_LIST_ENTRY &e) const
{
    // --all: what the matching checked, as in the window after a search.
    if (m_options.all)
        return e.selectedForUpdate;
    if (!DisplayRecords::offersLanUpdate(e, m_engine->legacyEnabled()))
        return false;
    return m_options.models.contains(e.modelName, Qt::CaseInsensitive)
        || m_options.serials.contains(e.serialNumber, Qt::CaseInsensitive) || m_options.addresses.contains(e.ipAddress);
}

void UpdateCommand::selectRows()
{
    DisplayList &list = *m_engine->displayList();
    for (int row = 0; row < list.size(); ++row) {
        DISPLAY_LIST_ENTRY &e = list[row];
        e.selectedForUpdate = selects(e);
        if (!e.selectedForUpdate)
            continue;
        m_selected.append(row);
        m_firmwareBefore.insert(row, e.currentFirmware);
        // The window starts no update while a checked display cannot be
        // reached or must first be switched on; here the others go ahead
        // without it, and the window's reason is its result.
        if (e.commStatus != 0 || e.blockedByPowerState()) {
            m_reasons.insert(row, tr("Not updated: %1 at %2: %3", "1=model name 2=IP address 3=reason")
                                      .arg(e.modelName, displayAddressText(e.ipAddress),
                                           DisplayColumns::statusText(e, m_engine->legacyEnabled())));
            e.selectedForUpdate = false;
        }
    }
}

void UpdateCommand::displaysFound()
{
    selectRows();
    if (m_selected.isEmpty()) {
        const QString text = tr("No display to update among the %n display(s) found.", nullptr,
                                m_engine->displays().size());
        m_context.output->say(text + QLatin1Char('\n'));
        report(Cli::ExitNothingToDo);
        return;
    }
    if (!m_options.dryRun) {
        m_stage = Stage::Downloading;
        m_engine->downloadForLanUpdate();
        return;
    }
    // The plan as if the firmware were in the folder; nothing is fetched.
    DisplayList &list = *m_engine->displayList();
    for (int row : qAsConst(m_selected))
        list[row].downloadStatus = DownloadState::Downloaded;
    noteQueueRefusals();
    showPlan(m_engine->confirmationTexts());
    m_context.output->say(tr("Dry run: nothing was downloaded, changed or updated.") + QLatin1Char('\n'));
    report(Cli::ExitSuccess);
}

void UpdateCommand::noteQueueRefusals()
{
    m_reasons.insert(UpdateQueue::reportRefusals(m_engine->displays(), m_engine->planFirmwareUpdates()));
}

void UpdateCommand::showPlan(const UpdateQueue::ConfirmationTexts &texts)
{
    if (texts.rows > 0)
        m_context.output->say(PlanText::confirmation(texts));
    QJsonArray notUpdated;
    for (int row : qAsConst(m_selected)) {
        const QString text = m_reasons.value(row);
        if (text.isEmpty())
            continue;
        m_context.output->say(text + QLatin1Char('\n'));
        notUpdated.append(QJsonObject{{QStringLiteral("row"), row + 1}, {QStringLiteral("reason"), text}});
    }

    // The table's notes column, by the table's rows (its first row holds the titles).
    const QList<QStringList> cells = PlanText::tableCells(texts.table);
    QJsonArray displays;
    for (int i = 0; i < texts.listedRows.size(); ++i) {
        const int row = texts.listedRows.at(i);
        const DISPLAY_LIST_ENTRY &e = m_engine->displays().at(row);
        displays.append(QJsonObject{{QStringLiteral("row"), row + 1},
                                    {QStringLiteral("model"), e.modelName},
                                    {QStringLiteral("serialNumber"), e.serialNumber},
                                    {QStringLiteral("assetTag"), e.assetTag},
                                    {QStringLiteral("address"), displayAddressText(e.ipAddress)},
                                    {QStringLiteral("notes"), cells.value(i + 1).value(cells.value(i + 1).size() - 1)}});
    }
    m_plan = QJsonObject{{QStringLiteral("displays"), displays},
                         {QStringLiteral("notes"), PlanText::notes(texts)},
                         {QStringLiteral("estimateSeconds"), texts.plannedSeconds},
                         {QStringLiteral("limit"), UpdateQueue::effectiveLimit(m_engine->multiUpdateLimit())},
                         {QStringLiteral("notUpdated"), notUpdated}};
}

void UpdateCommand::firmwareReady()
{
    if (m_stage != Stage::Downloading)
        return;
    m_stage = Stage::Confirming;
    noteQueueRefusals();
    const UpdateQueue::ConfirmationTexts texts = m_engine->confirmationTexts();
    showPlan(texts);
    m_context.output->say(PlanText::cautions());
    if (m_options.yes) {
        proceed();
        return;
    }
    connect(m_context.terminal, &Terminal::answered, this, [this](bool yes) {
        if (yes)
            proceed();
        else if (!ended())
            report(Cli::ExitNothingToDo);
    });
    m_context.terminal->ask(PlanText::plainText(texts.question).trimmed() + tr(" [y/N] ", "yes/no question"));
}

void UpdateCommand::proceed()
{
    if (ended())
        return;
    m_stage = Stage::Updating;
    m_engine->confirmUpdates();
}

void UpdateCommand::rowChanged(int row)
{
    if (row < 0) {
        for (int selected : qAsConst(m_selected))
            rowChanged(selected);
        return;
    }
    if (m_stage != Stage::Updating || !m_selected.contains(row))
        return;
    showState(row);
    endWhenChecked();
}

void UpdateCommand::showState(int row)
{
    const DISPLAY_LIST_ENTRY &e = m_engine->displays().at(row);
    if (m_interrupted && e.updateStatus == UpdateStatus::Queued) {
        // Queued after the interrupt (once its power-save change was answered).
        m_cancelled.insert(row);
        m_engine->cancelQueuedUpdates();
        return;
    }
    QString state;
    switch (e.updateStatus) {
    case UpdateStatus::Queued:
        state = tr("queued");
        break;
    case UpdateStatus::Running:
        state = e.uploading ? tr("uploading") : tr("updating");
        break;
    default:
        state = DisplayListExport::lastUpdateResultText(e);
        if (!e.updateCheck.isEmpty())
            state += QLatin1String(" - ") + e.updateCheck;
    }
    if (state.isEmpty() || m_shownState.value(row) == state)
        return;
    m_shownState.insert(row, state);
    m_context.terminal->line(tr("Display #%1 %2 at %3: %4", "1=row number 2=model 3=IP address 4=state")
                                 .arg(row + 1)
                                 .arg(e.modelName, displayAddressText(e.ipAddress), state));
}

void UpdateCommand::endWhenChecked()
{
    // After an interrupt the checks are not waited for: they read and change nothing.
    if (!m_updatesEnded || (m_engine->pendingChecks() > 0 && !m_interrupted))
        return;
    bool allUpdated = true;
    for (int row : qAsConst(m_selected))
        allUpdated = allUpdated && m_engine->displays().at(row).lastUpdateStatus == UpdateStatus::Complete;
    report(m_interrupted ? Cli::ExitInterrupted : allUpdated ? Cli::ExitSuccess : Cli::ExitSomeFailed);
}

void UpdateCommand::interrupt(int count)
{
    if (ended())
        return;
    if (count >= 2 || m_stage != Stage::Updating) {
        m_engine->cancelDownloads();
        report(Cli::ExitInterrupted, m_stage == Stage::Updating);
        return;
    }
    m_interrupted = true;
    for (int row : qAsConst(m_selected)) {
        if (m_engine->displays().at(row).updateStatus == UpdateStatus::Queued)
            m_cancelled.insert(row);
    }
    m_engine->cancelQueuedUpdates();
    m_context.terminal->line(tr("Interrupted: the queued updates are cancelled; %n running update(s) may end "
                                "(interrupt again to stop at once).",
                                nullptr, m_engine->runningUpdates()));
    if (!m_engine->updatesActive())
        report(Cli::ExitInterrupted);
}

DisplayRecords::Outcome UpdateCommand::outcome(int row) const
{
    const DISPLAY_LIST_ENTRY &e = m_engine->displays().at(row);
    DisplayRecords::Outcome outcome;
    outcome.row = row;
    outcome.firmwareBefore = m_firmwareBefore.value(row);
    outcome.status = e.updateStatus != UpdateStatus::Idle ? e.updateStatus : e.lastUpdateStatus;
    if (e.updateStatus != UpdateStatus::Idle)
        outcome.result = DisplayColumns::statusText(e, m_engine->legacyEnabled());
    else if (e.lastUpdateStatus != UpdateStatus::Idle)
        outcome.result = DisplayListExport::lastUpdateResultText(e);
    else if (m_cancelled.contains(row))
        outcome.result = tr("Not updated: cancelled by an interrupt.");
    else if (m_reasons.contains(row))
        outcome.result = m_reasons.value(row);
    else if (m_options.dryRun)
        outcome.result = tr("Not updated: dry run.");
    else if (e.downloadStatus == DownloadState::Error)
        outcome.result = tr("Not updated: %1", "1=reason").arg(DisplayColumns::availabilityText(e));
    else if (m_stage == Stage::Confirming)
        outcome.result = tr("Not updated: the update was not confirmed.");
    else if (m_stage != Stage::Updating)
        outcome.result = tr("Not updated.");
    else
        outcome.result = tr("Not updated: %1", "1=reason").arg(DisplayColumns::statusText(e, m_engine->legacyEnabled()));
    return outcome;
}

void UpdateCommand::report(int exitStatus, bool atOnce)
{
    QList<DisplayRecords::Outcome> outcomes;
    for (int row : qAsConst(m_selected))
        outcomes.append(outcome(row));
    QJsonObject more{{QStringLiteral("dryRun"), m_options.dryRun}};
    if (!m_plan.isEmpty())
        more.insert(QStringLiteral("plan"), m_plan);
    // People have read the plan of a dry run; an empty table tells them nothing.
    if (m_context.output->json() || (!m_options.dryRun && !outcomes.isEmpty()))
        m_context.output->records(DisplayRecords::updateResults(m_engine->displays(), outcomes),
                                  QStringLiteral("results"), exitStatus, more);
    finish(exitStatus, atOnce);
}

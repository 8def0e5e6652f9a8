#pragma once

#include "cli/clicommand.h"
#include "cli/displayrecords.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QSet>

namespace UpdateQueue {
struct ConfirmationTexts;
}

// `vdfu update`: the window's LAN update for the displays the options
// select. After the search it selects the rows, brings their firmware into
// the firmware folder, shows the confirmation (table, notes, cautions, time
// estimate) and goes on with --yes or the operator's answer; progress goes to
// standard error, one result per display (with the check after the update)
// to standard output. --dry-run shows the plan and changes nothing. While it
// runs it holds the update lock, so the window and other runs do not update
// displays at the same time.
class UpdateCommand : public CliCommand
{
    Q_OBJECT

public:
    UpdateCommand(const Context &context, QObject *parent = nullptr);

    // The first interrupt cancels the queued updates and lets the running
    // ones end; before the updates it ends the run. The second ends the run
    // at once.
    void interrupt(int count) override;

protected:
    bool prepare() override;
    void databaseLoaded() override;
    void displaysFound() override;

private:
    enum class Stage { Preparing, Downloading, Confirming, Updating };

    bool selects(const DISPLAY_LIST_ENTRY &e) const;
    void selectRows();
    // The plan as the confirmation shows it, for people and in JSON.
    // Adds the queue's reasons for the checked rows it would refuse.
    void noteQueueRefusals();
    void showPlan(const UpdateQueue::ConfirmationTexts &texts);
    void firmwareReady();
    void proceed();
    void rowChanged(int row);
    // A line when a selected display's update changes state.
    void showState(int row);
    void endWhenChecked();
    DisplayRecords::Outcome outcome(int row) const;
    void report(int exitStatus, bool atOnce = false);

    Stage m_stage = Stage::Preparing;
    QList<int> m_selected;
    QHash<int, QString> m_firmwareBefore;
    QMap<int, QString> m_reasons; // why a selected display is not updated
    QSet<int> m_cancelled;
    QHash<int, QString> m_shownState; // the last state line of each selected row
    QJsonObject m_plan;
    bool m_updatesEnded = false;
    bool m_interrupted = false;
};

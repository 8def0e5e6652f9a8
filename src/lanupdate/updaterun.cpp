#include "lanupdate/updaterun.h"

#include "displaylist/displaycolumns.h"
#include "displaylist/updatestatus.h"

#include <QCoreApplication>

void UpdateRun::begin(int queued)
{
    *this = UpdateRun();
    total = queued;
}

void UpdateRun::passed(const UpdateQueue::PassResult &pass)
{
    succeeded += pass.completed.size();
    failed += pass.finished.size() - pass.completed.size();
}

void UpdateRun::cancelled(int count)
{
    total = qMax(finished(), total - count);
}

double UpdateRun::fraction(const DisplayList &list) const
{
    if (total < 1)
        return 0.0;
    double done = finished();
    for (const DISPLAY_LIST_ENTRY &entry : list) {
        if (entry.updateClient && entry.updateStatus == UpdateStatus::Running)
            done += qMax(0.0, DisplayColumns::progressFraction(entry));
    }
    return qBound(0.0, done / total, 1.0);
}

QString UpdateRun::summary() const
{
    const QString updated = QCoreApplication::translate("UpdateRun", "%n display(s) updated", "", succeeded);
    if (failed == 0)
        return updated;
    return QCoreApplication::translate("UpdateRun", "%1, %n failed", "1=displays updated", failed).arg(updated);
}

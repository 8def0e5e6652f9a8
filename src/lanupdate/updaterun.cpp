#include "lanupdate/updaterun.h"

#include "displaylist/displaycolumns.h"
#include "displaylist/updatestatus.h"

#include <QCoreApplication>

namespace {

// A running session's share of its display: sending the firmware counts for
// the first half, applying it for the second, so that a display going from
// one to the other does not set the run back.
double sessionShare(const DISPLAY_LIST_ENTRY &e)
{
    const double fraction = DisplayColumns::progressFraction(e);
    if (fraction < 0)
        return 0.0;
    return e.uploading ? fraction / 2 : 0.5 + fraction / 2;
}

}

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
            done += sessionShare(entry);
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

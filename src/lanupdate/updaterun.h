#pragma once

#include "displaylist/displaylistentry.h"
#include "lanupdate/updatequeue.h"

#include <QString>

// The tally of one run of the update queue, from the confirmation until its
// last session has ended: how many displays it holds and how their updates
// ended. It drives what the operator sees of a run from outside the list
// (a progress bar, the launcher entry, the notification at its end).
struct UpdateRun
{
    int total = 0; // sessions queued, less those cancelled before they started
    int succeeded = 0;
    int failed = 0;

    // A new run of `queued` sessions.
    void begin(int queued);
    // What a queue tick finished.
    void passed(const UpdateQueue::PassResult &pass);
    void cancelled(int count);

    int finished() const { return succeeded + failed; }
    // Finished sessions count whole, running ones by their progress; 0 to 1.
    double fraction(const DisplayList &list) const;
    // "7 displays updated, 1 failed".
    QString summary() const;
};

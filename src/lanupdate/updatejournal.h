#pragma once

#include "displaylist/displaylistentry.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

// A small record, in the per-user data folder, of the LAN updates that are
// running. It is rewritten atomically whenever a session starts, changes
// phase or ends, and removed when none runs; a journal found at start-up
// therefore names the displays whose update the program did not see end
// (a crash, a kill, a power loss), which need checking. A write or removal
// that fails is tried again until the file matches the sessions, or the
// next start would report finished updates as interrupted.
class UpdateJournal
{
public:
    // The step a session had reached when it was last written.
    enum Step { Started = 0, Uploading = 1, Applying = 2 };

    struct Entry
    {
        int row = 0; // 0-based
        QString model;
        QString serialNumber;
        QString address;
        int step = Started;
        QDateTime started;
    };

    // An empty path keeps no journal.
    explicit UpdateJournal(const QString &path = QString()) : m_path(path) {}
    static QString defaultPath();
    QString path() const { return m_path; }

    static int stepOf(const DISPLAY_LIST_ENTRY &e);
    static Entry entryFor(int row, const DISPLAY_LIST_ENTRY &e, const QDateTime &started);

    // Brings the file in step with the running sessions: writes (or
    // removes) it when they changed row or step since the last success, or
    // when the last attempt failed. False while it is out of step; the
    // first failure of a run of failures is logged.
    bool keepInStep(const QList<Entry> &entries);
    // The entries of a journal left behind; none when there is no journal.
    // A journal that cannot be read yields one entry without details.
    QList<Entry> read() const;

    // The operator's text naming the displays of a journal left behind.
    static QString reportText(const QList<Entry> &entries);
    static QString stepText(int step);

private:
    // Writes the entries, or removes the journal when there are none.
    bool write(const QList<Entry> &entries) const;

    QString m_path;
    // (row, step) of each session as last written; none known at start.
    QList<QPair<int, int>> m_written;
    bool m_inStep = false;
    bool m_failing = false;
};

#pragma once

#include "history/historyrecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class HistoryWorker;
class QThread;

// The update history: a SQLite database in the per-user data folder that
// keeps, for months, every update session, offline download and USB drive
// (HistoryRecord). Each record is written in a transaction of its own with
// write-ahead logging, on a thread of the store's own, so the caller never
// waits on the disk. A database that cannot be opened or is damaged is
// renamed aside (setAside) and a new one is started. Several programs (the
// window and `vdfu`) may write the same database.
class UpdateHistory : public QObject
{
    Q_OBJECT

public:
    // The database in the per-user data location.
    static QString defaultPath();
    // The version of the database layout (PRAGMA user_version) this build writes.
    static constexpr int kSchemaVersion = 1;

    // Opens (or creates) the database at `path` on the store's thread.
    explicit UpdateHistory(const QString &path, QObject *parent = nullptr);
    // Writes what is queued before it returns.
    ~UpdateHistory() override;

    QString path() const { return m_path; }

    // Queues a record to be written. `record.key` names it for complete().
    void add(const HistoryRecord &record);
    // Fills in what is known only later (the firmware the display reports
    // after its update, the check's text) of the record with `key`.
    void complete(const QString &key, const QString &firmwareAfter, const QString &check);
    // Reads the records started at or after `since` (all when invalid),
    // oldest first; loaded() delivers them.
    void load(const QDateTime &since = QDateTime());

    // Reads synchronously, for the command line. False (and `error`) when
    // the database cannot be read; a missing database holds no records.
    static bool read(const QString &path, const QDateTime &since, HistoryRecords *records, QString *error);

    // Writes `records` as a UTF-8 CSV file in the form of the display list
    // export (byte-order mark, CRLF, quoted fields, formula-safe texts).
    static bool writeCsvFile(const QString &path, const HistoryRecords &records, QString *error);

signals:
    void loaded(const HistoryRecords &records);
    // The database at `path` could not be used and was renamed to `asidePath`;
    // a new one was started.
    void setAside(const QString &path, const QString &asidePath, const QString &reason);
    // A record could not be written: why.
    void writeFailed(const QString &reason);

private:
    QString m_path;
    QThread *m_thread = nullptr;
    HistoryWorker *m_worker = nullptr;
};

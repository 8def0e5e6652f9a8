#include "history/updatehistory.h"

#include "displaylist/displaylistexport.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#include <iterator>
#include <memory>

namespace {

// How long a writer waits for another program's transaction on the same file.
constexpr int kBusyTimeoutMs = 10000;

// The columns of the records table after the id, in the order of values().
const char *const kColumns[] = {"key", "kind", "started", "ended", "model", "serial_number", "asset_tag",
                                "address", "mac_address", "firmware_before", "firmware_after",
                                "release_version", "dialect", "outcome", "check_text", "files", "digests",
                                "drive"};

QString columnList()
{
    QStringList names;
    for (const char *name : kColumns)
        names << QLatin1String(name);
    return names.join(QStringLiteral(", "));
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeFrom(const QString &text)
{
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

QStringList listFrom(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QVariantList values(const HistoryRecord &r)
{
    const QString separator = QStringLiteral("\n");
    return {r.key, HistoryRecord::kindKey(r.kind), timeText(r.started), timeText(r.ended), r.model,
            r.serialNumber, r.assetTag, r.address, r.macAddress, r.firmwareBefore, r.firmwareAfter,
            r.releaseVersion, r.dialect, r.outcome, r.check, r.files.join(separator), r.digests.join(separator),
            r.drive};
}

// A row selected as "id, " + columnList().
HistoryRecord recordFrom(const QSqlQuery &q)
{
    HistoryRecord r;
    int i = 0;
    r.id = q.value(i++).toLongLong();
    r.key = q.value(i++).toString();
    r.kind = HistoryRecord::kindFromKey(q.value(i++).toString());
    r.started = timeFrom(q.value(i++).toString());
    r.ended = timeFrom(q.value(i++).toString());
    for (QString *text : {&r.model, &r.serialNumber, &r.assetTag, &r.address, &r.macAddress, &r.firmwareBefore,
                          &r.firmwareAfter, &r.releaseVersion, &r.dialect, &r.outcome, &r.check})
        *text = q.value(i++).toString();
    r.files = listFrom(q.value(i++).toString());
    r.digests = listFrom(q.value(i++).toString());
    r.drive = q.value(i++).toString();
    return r;
}

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("vdfu-history-%1").arg(counter.fetchAndAddRelaxed(1));
}

// What opening found.
enum class OpenState { Ok, Busy, Damaged };

// One SQLite connection of the calling thread, removed with this object.
class Connection
{
public:
    explicit Connection(const QString &path)
        : m_name(uniqueConnectionName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    ~Connection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

    // Runs `sql` with `binds`; false with `error` set when it fails.
    bool exec(const QString &sql, const QVariantList &binds = {}, QSqlQuery *result = nullptr,
              QSqlError *error = nullptr) const
    {
        QSqlQuery q(db());
        bool ok = q.prepare(sql);
        for (const QVariant &value : binds)
            q.addBindValue(value);
        ok = ok && q.exec();
        if (!ok && error)
            *error = q.lastError();
        if (result)
            *result = q;
        return ok;
    }

    // Opens the file and checks that it is a sound database.
    OpenState open(QString *reason) const
    {
        QSqlDatabase database = db();
        if (!database.open()) {
            *reason = database.lastError().text();
            return OpenState::Damaged;
        }
        QSqlQuery check;
        QSqlError error;
        if (!exec(QStringLiteral("PRAGMA quick_check"), {}, &check, &error)) {
            *reason = error.text();
            // Another program's lock is no damage: SQLITE_BUSY, SQLITE_LOCKED.
            const QString code = error.nativeErrorCode();
            return code == QLatin1String("5") || code == QLatin1String("6") ? OpenState::Busy : OpenState::Damaged;
        }
        const QString verdict = check.next() ? check.value(0).toString() : QString();
        if (verdict != QLatin1String("ok")) {
            *reason = QCoreApplication::translate("UpdateHistory", "The integrity check found: %1",
                                                  "1=what the check found")
                          .arg(verdict);
            return OpenState::Damaged;
        }
        return OpenState::Ok;
    }

    int schemaVersion() const
    {
        QSqlQuery q;
        return exec(QStringLiteral("PRAGMA user_version"), {}, &q) && q.next() ? q.value(0).toInt() : -1;
    }

    // Write-ahead logging and the records table of this schema version.
    bool prepare(QString *reason) const
    {
        QSqlError error;
        const bool ok = exec(QStringLiteral("PRAGMA journal_mode=WAL"), {}, nullptr, &error)
            && (schemaVersion() >= UpdateHistory::kSchemaVersion || createSchema(&error));
        if (!ok)
            *reason = error.text();
        return ok;
    }

    bool read(const QDateTime &since, HistoryRecords *records, QString *reason) const
    {
        // A database that no program has written to yet holds no table.
        if (schemaVersion() == 0)
            return true;
        QString sql = QStringLiteral("SELECT id, %1 FROM records").arg(columnList());
        QVariantList binds;
        if (since.isValid()) {
            sql += QStringLiteral(" WHERE started >= ?");
            binds << timeText(since);
        }
        QSqlQuery q;
        QSqlError error;
        if (!exec(sql + QStringLiteral(" ORDER BY started, id"), binds, &q, &error)) {
            *reason = error.text();
            return false;
        }
        while (q.next())
            records->append(recordFrom(q));
        return true;
    }

    // `sql` with `binds` in a transaction of its own.
    bool write(const QString &sql, const QVariantList &binds, QString *reason) const
    {
        QSqlDatabase database = db();
        QSqlError error;
        if (!database.transaction()) {
            *reason = database.lastError().text();
            return false;
        }
        if (!exec(sql, binds, nullptr, &error)) {
            database.rollback();
            *reason = error.text();
            return false;
        }
        if (!database.commit()) {
            *reason = database.lastError().text();
            database.rollback();
            return false;
        }
        return true;
    }

private:
    bool createSchema(QSqlError *error) const
    {
        QStringList columns;
        for (const char *name : kColumns)
            columns << QLatin1String(name) + QStringLiteral(" TEXT");
        QSqlDatabase database = db();
        const bool ok = database.transaction()
            && exec(QStringLiteral("CREATE TABLE IF NOT EXISTS records (id INTEGER PRIMARY KEY AUTOINCREMENT, %1)")
                        .arg(columns.join(QStringLiteral(", "))),
                    {}, nullptr, error)
            && exec(QStringLiteral("CREATE INDEX IF NOT EXISTS records_started ON records (started)"), {}, nullptr,
                    error)
            && exec(QStringLiteral("CREATE INDEX IF NOT EXISTS records_key ON records (key)"), {}, nullptr, error)
            && exec(QStringLiteral("PRAGMA user_version = %1").arg(UpdateHistory::kSchemaVersion), {}, nullptr,
                    error)
            && database.commit();
        if (!ok)
            database.rollback();
        return ok;
    }

    QString m_name;
};

}

// The store's side on its own thread: the one connection that writes.
class HistoryWorker : public QObject
{
    Q_OBJECT

public:
    explicit HistoryWorker(const QString &path) : m_path(path) {}

    void add(const HistoryRecord &record)
    {
        write(QStringLiteral("INSERT INTO records (%1) VALUES (?%2)")
                  .arg(columnList(), QStringLiteral(", ?").repeated(int(std::size(kColumns)) - 1)),
              values(record));
    }

    void complete(const QString &key, const QString &firmwareAfter, const QString &check)
    {
        write(QStringLiteral("UPDATE records SET firmware_after = ?, check_text = ? WHERE key = ?"),
              {firmwareAfter, check, key});
    }

    void load(const QDateTime &since)
    {
        HistoryRecords records;
        QString reason;
        if (ready() && !m_connection->read(since, &records, &reason))
            qWarning() << "Update history" << m_path << "cannot be read:" << reason;
        emit loaded(records);
    }

    // At once, so that a damaged database is set aside before the first write.
    void open() { ready(); }
    void close() { m_connection.reset(); }

signals:
    void loaded(const HistoryRecords &records);
    void setAside(const QString &path, const QString &asidePath, const QString &reason);
    void writeFailed(const QString &reason);

private:
    void write(const QString &sql, const QVariantList &binds)
    {
        QString reason;
        if (!ready())
            return;
        if (!m_connection->write(sql, binds, &reason))
            failed(reason);
    }

    void failed(const QString &reason)
    {
        const QString text =
            QCoreApplication::translate("UpdateHistory", "The update history %1 could not be written: %2",
                                        "1=file 2=reason")
                .arg(QDir::toNativeSeparators(m_path), reason);
        qWarning().noquote() << text;
        emit writeFailed(text);
    }

    // The connection, opened once; a damaged database is set aside and a
    // new one started.
    bool ready()
    {
        if (m_connection)
            return true;
        QDir().mkpath(QFileInfo(m_path).path());
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto connection = std::make_unique<Connection>(m_path);
            QString reason;
            const OpenState state = connection->open(&reason);
            if (state == OpenState::Ok && connection->prepare(&reason)) {
                m_connection = std::move(connection);
                return true;
            }
            connection.reset();
            if (state == OpenState::Busy || attempt > 0) {
                failed(reason);
                return false;
            }
            const QString aside = setAsideFile();
            if (aside.isEmpty()) {
                failed(reason);
                return false;
            }
            qWarning().noquote() << "Update history" << m_path << "set aside as" << aside << "because:" << reason;
            emit setAside(m_path, aside, reason);
        }
        return false;
    }

    // Renames the database (and its write-ahead log) aside; the new name, or
    // empty when it cannot be renamed.
    QString setAsideFile() const
    {
        const QString stem = m_path + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = stem;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = stem + QLatin1Char('-') + QString::number(n);
        if (!QFile::rename(m_path, aside))
            return QString();
        QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
        QFile::remove(m_path + QStringLiteral("-shm"));
        return aside;
    }

    QString m_path;
    std::unique_ptr<Connection> m_connection;
};

QString UpdateHistory::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/update-history.sqlite");
}

UpdateHistory::UpdateHistory(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_thread(new QThread(this))
    , m_worker(new HistoryWorker(path))
{
    qRegisterMetaType<HistoryRecords>("HistoryRecords");
    m_worker->moveToThread(m_thread);
    connect(m_worker, &HistoryWorker::loaded, this, &UpdateHistory::loaded);
    connect(m_worker, &HistoryWorker::setAside, this, &UpdateHistory::setAside);
    connect(m_worker, &HistoryWorker::writeFailed, this, &UpdateHistory::writeFailed);
    m_thread->setObjectName(QStringLiteral("UpdateHistory"));
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->open(); });
}

UpdateHistory::~UpdateHistory()
{
    // Behind every queued write: the thread ends once they are on disk.
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] {
        worker->close();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
    delete m_worker;
}

void UpdateHistory::add(const HistoryRecord &record)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, record] { worker->add(record); });
}

void UpdateHistory::complete(const QString &key, const QString &firmwareAfter, const QString &check)
{
    QMetaObject::invokeMethod(m_worker,
                              [worker = m_worker, key, firmwareAfter, check] { worker->complete(key, firmwareAfter, check); });
}

void UpdateHistory::load(const QDateTime &since)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, since] { worker->load(since); });
}

bool UpdateHistory::read(const QString &path, const QDateTime &since, HistoryRecords *records, QString *error)
{
    records->clear();
    if (!QFileInfo::exists(path))
        return true;
    Connection connection(path);
    QString reason;
    const bool ok = connection.db().open() ? connection.read(since, records, &reason)
                                           : (reason = connection.db().lastError().text(), false);
    if (!ok && error)
        *error = QCoreApplication::translate("UpdateHistory", "The update history %1 cannot be read: %2",
                                             "1=file 2=reason")
                     .arg(QDir::toNativeSeparators(path), reason);
    return ok;
}

bool UpdateHistory::writeCsvFile(const QString &path, const HistoryRecords &records, QString *error)
{
    QString text = DisplayListExport::csvRecord(HistoryColumns::headerTexts());
    for (const HistoryRecord &record : records)
        text += DisplayListExport::csvRecord(HistoryColumns::rowTexts(record));
    return DisplayListExport::writeCsvText(path, text, error);
}

#include "updatehistory.moc"

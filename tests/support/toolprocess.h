#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>

#include <functional>

// Runs one of the project's tool programs (display simulator, firmware
// server) for a test: starts it, waits for its ready line, and collects the
// JSON event lines it prints (one object per line, {"event": name, ...}).
// The program is stopped (SIGTERM, then kill) when this object is destroyed.
class ToolProcess : public QObject
{
    Q_OBJECT

public:
    ~ToolProcess() override;

    // The program's ready line, or an empty object before it arrived.
    QJsonObject readyEvent() const { return m_readyEvent; }

    // Events since the start or the last clearEvents(), in order; or only
    // those with the given name.
    QList<QJsonObject> events() const { return m_events; }
    QList<QJsonObject> events(const QString &name) const;
    void clearEvents() { m_events.clear(); }

    // Waits at most `timeoutMs` for an event with this name whose fields
    // include `fields` (events already collected count).
    bool waitForEvent(const QString &name, const QJsonObject &fields = {}, int timeoutMs = 5000);
    static bool matches(const QJsonObject &event, const QString &name, const QJsonObject &fields);

    // Why the start failed: the program's error line or a process error.
    QString errorString() const { return m_error; }

    // Stops the program and waits for it to end (also done by the destructor).
    void stop();

signals:
    void eventReceived(const QJsonObject &event);

protected:
    explicit ToolProcess(QObject *parent = nullptr);

    // Starts `programName` from VDFU_TOOLS_BIN_DIR and waits for its ready
    // line, at most `timeoutMs`. False when it did not become ready.
    bool startProgram(const QString &programName, const QStringList &arguments, int timeoutMs);

private:
    using Predicate = std::function<bool(const QJsonObject &)>;
    bool waitForEvent(const Predicate &predicate, int timeoutMs);
    void readLines();

    QProcess m_process;
    QByteArray m_partialLine;
    QList<QJsonObject> m_events;
    QJsonObject m_readyEvent;
    QString m_error;
};

#include "toolprocess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>

namespace {
constexpr int kStopWaitMs = 5000;
}

ToolProcess::ToolProcess(QObject *parent) : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ToolProcess::readLines);
}

ToolProcess::~ToolProcess()
{
    // No events while the owner is being torn down: receivers may be gone.
    blockSignals(true);
    stop();
}

void ToolProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopWaitMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopWaitMs);
    }
    readLines();
}

bool ToolProcess::startProgram(const QString &programName, const QStringList &arguments, int timeoutMs)
{
    m_error.clear();
    const QString program = QStringLiteral(VDFU_TOOLS_BIN_DIR "/") + programName;
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    const bool started = waitForEvent([](const QJsonObject &e) {
        const QString name = e.value(QStringLiteral("event")).toString();
        return name == QLatin1String("ready") || name == QLatin1String("error");
    }, timeoutMs);
    if (started && !m_readyEvent.isEmpty())
        return true;
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1 did not become ready within %2 ms").arg(programName).arg(timeoutMs);
    stop();
    return false;
}

QList<QJsonObject> ToolProcess::events(const QString &name) const
{
    QList<QJsonObject> found;
    for (const QJsonObject &e : m_events) {
        if (e.value(QStringLiteral("event")).toString() == name)
            found.append(e);
    }
    return found;
}

bool ToolProcess::matches(const QJsonObject &event, const QString &name, const QJsonObject &fields)
{
    if (event.value(QStringLiteral("event")).toString() != name)
        return false;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (event.value(it.key()) != it.value())
            return false;
    }
    return true;
}

bool ToolProcess::waitForEvent(const Predicate &predicate, int timeoutMs)
{
    for (const QJsonObject &e : qAsConst(m_events)) {
        if (predicate(e))
            return true;
    }
    QEventLoop loop;
    bool found = false;
    const auto check = connect(this, &ToolProcess::eventReceived, &loop, [&](const QJsonObject &e) {
        if (!found && predicate(e)) {
            found = true;
            loop.quit();
        }
    });
    connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (m_process.state() != QProcess::NotRunning)
        loop.exec();
    disconnect(check);
    return found;
}

bool ToolProcess::waitForEvent(const QString &name, const QJsonObject &fields, int timeoutMs)
{
    return waitForEvent([&](const QJsonObject &e) { return matches(e, name, fields); }, timeoutMs);
}

void ToolProcess::readLines()
{
    m_partialLine += m_process.readAllStandardOutput();
    int end;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray line = m_partialLine.left(end);
        m_partialLine.remove(0, end + 1);
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.isEmpty())
            continue;
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QLatin1String("ready"))
            m_readyEvent = event;
        else if (name == QLatin1String("error"))
            m_error = event.value(QStringLiteral("message")).toString();
        m_events.append(event);
        emit eventReceived(event);
    }
}

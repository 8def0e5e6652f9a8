#pragma once

#include <QObject>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// Runs one piece of file work (hashing, extraction) on a thread of its own,
// so that the event loop of the thread that starts it never waits for the
// disk, and reports the result on that thread. The work gets a flag that
// asks it to stop early. One run at a time: starting again, stop() or
// deletion raises the flag and waits for the running work, which then
// reports nothing; cancel() raises it and lets the work report.
class OffThreadWork : public QObject
{
    Q_OBJECT

public:
    using Work = std::function<QVariant(const std::atomic_bool &cancel)>;

    explicit OffThreadWork(QObject *parent = nullptr);
    ~OffThreadWork() override;

    // Runs `work` once and hands its result to `then` on this thread, through
    // an object that `owner` owns and that goes once it has reported; when
    // the owner goes first, the work is stopped and `then` never runs.
    static void run(QObject *owner, Work work, std::function<void(const QVariant &)> then);

    void start(Work work);
    void cancel() { m_cancel = true; }
    void stop();
    bool isRunning() const { return m_thread != nullptr; }
    bool isCancelled() const { return m_cancel; }

signals:
    void finished(const QVariant &result);

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic_bool m_cancel{false};
    QVariant m_result;
    int m_run = 0; // tells a stopped run's late report from the current one's
};

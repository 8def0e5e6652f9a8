#include "download/offthreadwork.h"

#include <QThread>

namespace {

class WorkThread : public QThread
{
public:
    WorkThread(OffThreadWork::Work work, const std::atomic_bool &cancel, QVariant &result)
        : m_work(std::move(work)), m_cancel(cancel), m_result(result)
    {
    }

private:
    void run() override { m_result = m_work(m_cancel); }

    OffThreadWork::Work m_work;
    const std::atomic_bool &m_cancel;
    QVariant &m_result;
};

}

OffThreadWork::OffThreadWork(QObject *parent)
    : QObject(parent)
{
}

OffThreadWork::~OffThreadWork()
{
    stop();
}

void OffThreadWork::run(QObject *owner, Work work, std::function<void(const QVariant &)> then)
{
    auto *once = new OffThreadWork(owner);
    connect(once, &OffThreadWork::finished, owner, [once, then = std::move(then)](const QVariant &result) {
        once->deleteLater();
        then(result);
    });
    once->start(std::move(work));
}

void OffThreadWork::start(Work work)
{
    stop();
    m_cancel = false;
    m_thread = std::make_unique<WorkThread>(std::move(work), m_cancel, m_result);
    // Emitted on the worker thread, so delivered here through the event loop.
    connect(m_thread.get(), &QThread::finished, this, [this, run = ++m_run] {
        if (run != m_run)
            return;
        m_thread->wait();
        m_thread.reset();
        emit finished(m_result);
    });
    m_thread->start();
}

void OffThreadWork::stop()
{
    if (!m_thread)
        return;
    ++m_run;
    m_cancel = true;
    m_thread->wait();
    m_thread.reset();
}

#pragma once

#include <QString>

// A named lock held for the life of the process, seen by every process of
// the same user. The operating system drops it when the process ends in any
// way (also SIGKILL), so a crashed instance never blocks the next start.
class SingleInstance
{
public:
    // name: the lock's name; directory: where the lock lives (empty: the
    // user's runtime directory, or the temporary directory).
    explicit SingleInstance(const QString &name, const QString &directory = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another process holds the lock.
    bool alreadyRunning() const { return m_alreadyRunning; }

private:
    bool m_alreadyRunning = false;
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

#include "app/singleinstance.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QByteArray>
#include <QFile>

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN

SingleInstance::SingleInstance(const QString &name, const QString &)
{
    m_handle = CreateMutexW(nullptr, TRUE, reinterpret_cast<LPCWSTR>(name.utf16()));
    m_alreadyRunning = GetLastError() == ERROR_ALREADY_EXISTS;
    if (m_handle)
        ReleaseMutex(m_handle);
}

SingleInstance::~SingleInstance()
{
    if (m_handle)
        CloseHandle(m_handle);
}

#else

namespace {
QString lockDirectory(const QString &requested)
{
    if (!requested.isEmpty())
        return requested;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QFile::decodeName(runtime);
    return QStringLiteral("/tmp");
}
}

SingleInstance::SingleInstance(const QString &name, const QString &directory)
{
    // The user id keeps the lock per user when the directory is shared.
    const QString path = lockDirectory(directory) + QLatin1Char('/') + name
        + QLatin1Char('-') + QString::number(getuid()) + QStringLiteral(".lock");
    m_fd = ::open(QFile::encodeName(path).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return; // without a lock file the start goes ahead, as with no mutex
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_alreadyRunning = true;
        ::close(m_fd);
        m_fd = -1;
    }
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

#endif

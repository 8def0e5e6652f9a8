#pragma once

// Whole-file reads and writes; a file-size limit under which writes fail as on a full disk.

#include <QFile>

#include <csignal>
#include <sys/resource.h>

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Writes beyond `bytes` fail (SIGXFSZ ignored) while the guard lives.
class FileSizeLimit
{
    Q_DISABLE_COPY(FileSizeLimit)
    void (*m_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit m_saved{};

public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limited{qMin(bytes, m_saved.rlim_max), m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
};

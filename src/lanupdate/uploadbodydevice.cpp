#include "lanupdate/uploadbodydevice.h"

#include <cstring>

UploadBodyDevice::UploadBodyDevice(const QByteArray &head, const QString &filePath, const QByteArray &tail,
                                   QObject *parent)
    : QIODevice(parent)
    , m_head(head)
    , m_file(filePath)
    , m_tail(tail)
{
}

bool UploadBodyDevice::open(OpenMode mode)
{
    if ((mode & WriteOnly) || !m_file.open(QIODevice::ReadOnly))
        return false;
    m_fileSize = m_file.size();
    return QIODevice::open(mode | Unbuffered);
}

void UploadBodyDevice::close()
{
    m_file.close();
    QIODevice::close();
}

qint64 UploadBodyDevice::size() const
{
    return m_head.size() + m_fileSize + m_tail.size();
}

bool UploadBodyDevice::seek(qint64 pos)
{
    return pos >= 0 && pos <= size() && QIODevice::seek(pos);
}

bool UploadBodyDevice::atEnd() const
{
    return pos() >= size();
}

qint64 UploadBodyDevice::readData(char *data, qint64 maxSize)
{
    qint64 done = 0;
    while (done < maxSize) {
        const qint64 at = pos() + done;
        if (at < m_head.size()) {
            const qint64 n = qMin(maxSize - done, m_head.size() - at);
            std::memcpy(data + done, m_head.constData() + at, size_t(n));
            done += n;
        } else if (at < m_head.size() + m_fileSize) {
            const qint64 fileAt = at - m_head.size();
            if (m_file.pos() != fileAt && !m_file.seek(fileAt))
                return done > 0 ? done : -1;
            const qint64 n = m_file.read(data + done, qMin(maxSize - done, m_fileSize - fileAt));
            if (n <= 0)
                return done > 0 ? done : -1; // the file shrank or cannot be read
            done += n;
        } else {
            const qint64 tailAt = at - m_head.size() - m_fileSize;
            if (tailAt >= m_tail.size())
                break;
            const qint64 n = qMin(maxSize - done, m_tail.size() - tailAt);
            std::memcpy(data + done, m_tail.constData() + tailAt, size_t(n));
            done += n;
        }
    }
    return done;
}

qint64 UploadBodyDevice::writeData(const char *, qint64)
{
    return -1;
}

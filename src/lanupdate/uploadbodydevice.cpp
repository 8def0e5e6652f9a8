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
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    m_fileSize = m_file.size();
    m_offset = 0;
    return QIODevice::open(mode | Unbuffered);
}

qint64 UploadBodyDevice::readData(char *data, qint64 maxSize)
{
    qint64 done = 0;
    while (done < maxSize && m_offset < size()) {
        qint64 n = 0;
        if (m_offset < m_head.size()) {
            n = qMin(maxSize - done, m_head.size() - m_offset);
            std::memcpy(data + done, m_head.constData() + m_offset, size_t(n));
        } else if (m_offset < m_head.size() + m_fileSize) {
            n = m_file.read(data + done, qMin(maxSize - done, m_head.size() + m_fileSize - m_offset));
            if (n <= 0)
                return done > 0 ? done : -1; // the file shrank or cannot be read
        } else {
            const qint64 tailAt = m_offset - m_head.size() - m_fileSize;
            n = qMin(maxSize - done, m_tail.size() - tailAt);
            std::memcpy(data + done, m_tail.constData() + tailAt, size_t(n));
        }
        done += n;
        m_offset += n;
    }
    return done;
}

#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>

// An upload body read straight from disk: a head, a file and a tail, as one
// device read from start to end. Only what the sender asks for is ever read,
// so a firmware file of hundreds of megabytes costs no more memory than a
// small one; the file must keep the size it had when the device was opened.
class UploadBodyDevice : public QIODevice
{
    Q_OBJECT

public:
    UploadBodyDevice(const QByteArray &head, const QString &filePath, const QByteArray &tail,
                     QObject *parent = nullptr);

    // Opens the file for reading; false (and nothing to send) when it cannot.
    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    qint64 size() const override { return m_head.size() + m_fileSize + m_tail.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_head;
    QFile m_file;
    QByteArray m_tail;
    qint64 m_fileSize = 0;
    qint64 m_offset = 0; // bytes of the body already read
};

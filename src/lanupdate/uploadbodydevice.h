#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>

// An upload body read straight from disk: a head, a file and a tail, as one
// random-access device. Only what the network layer asks for is ever read,
// so a firmware file of hundreds of megabytes costs no more memory than a
// small one; the file must keep the size given when the body was built.
class UploadBodyDevice : public QIODevice
{
    Q_OBJECT

public:
    UploadBodyDevice(const QByteArray &head, const QString &filePath, const QByteArray &tail,
                     QObject *parent = nullptr);

    // Opens the file for reading; false (and nothing to send) when it cannot.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QByteArray m_head;
    QFile m_file;
    QByteArray m_tail;
    qint64 m_fileSize = 0;
};

#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QTemporaryFile;

// Fetches one URL with an HTTP GET, keeping the body in memory (empty target
// file) or streaming it into the target file, with a running MD5 over what
// was stored. Reports progress with a speed text and ends every run with
// exactly one statusChanged (DownloadStatus codes). A file is written under a
// temporary name and appears under the target name only once the transfer
// has completed, so a failed, cancelled or abandoned run never leaves a
// partial file behind. One object serves one transfer at a time; it can be
// started again after it has finished.
class FileDownloader : public QObject
{
    Q_OBJECT

public:
    // What the reply timer of a downloader made with `useReplyTimer` limits.
    enum class ReplyTimerMode {
        // kDefaultReplyTimeoutMs until the first byte or progress report;
        // after that the transfer may take as long as it takes (web probes).
        FirstResponse,
        // kStallTimeoutMs without any byte or progress report, restarted by
        // each: a slow but steady transfer completes, a silent server does not
        // hold the caller for good.
        Stall,
    };
    static constexpr int kDefaultReplyTimeoutMs = 5000;
    static constexpr int kStallTimeoutMs = 30000;
    // In-memory bodies stop growing once they hold this many bytes.
    static constexpr int kMemoryLimit = 1000000;
    // Bytes received but not yet written: the network is read no faster than
    // the file is written and hashed, so memory stays flat and each chunk is
    // handled in a moment however large the firmware.
    static constexpr qint64 kReadBufferBytes = 1 << 20;

    // `expectedMd5` is the raw 16-byte digest the body must have (empty: no
    // check). `useReplyTimer` limits the wait for the server (ReplyTimerMode).
    // Without a `manager` the downloader makes its own; passing a shared one
    // avoids a network thread per downloader when many run at once.
    FileDownloader(int id, bool useReplyTimer, const QUrl &url, const QString &targetFile,
                   const QByteArray &expectedMd5, QObject *parent = nullptr,
                   QNetworkAccessManager *manager = nullptr);
    ~FileDownloader() override;

    void start();
    // Ends a running transfer with status 10003; does nothing when idle.
    void cancel();

    // The body received in in-memory mode.
    QByteArray data() const { return m_body; }
    bool isRunning() const { return m_reply != nullptr; }

    // Set before start(); FirstResponse unless set. The limit is scaled
    // (Timing::scaled) when set.
    void setReplyTimerMode(ReplyTimerMode mode);

signals:
    void progressChanged(int instance, int m_progressValue, int m_progressTotal, QString m_progressMessage);
    void statusChanged(int instance, int status);

private slots:
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void downloadFinished();
    void downloadReadyRead();
    void downloadError(QNetworkReply::NetworkError error);
    void ReplyTimerTimeout();

private:
    // A byte or a progress report arrived.
    void replyActivity();
    bool openTarget();
    void discardFile();
    // Detaches and aborts the running reply without reporting anything.
    void dropReply();
    void finish(int status);

    QString m_targetFile;
    QUrl m_url;
    std::unique_ptr<QTemporaryFile> m_file;
    int m_id;
    QTimer m_replyTimer;
    bool m_useReplyTimer;
    ReplyTimerMode m_replyTimerMode = ReplyTimerMode::FirstResponse;
    QByteArray m_expectedMd5;
    QNetworkReply *m_reply = nullptr;
    QNetworkAccessManager *m_manager;
    QElapsedTimer m_elapsed;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    bool m_inMemory;
    QByteArray m_body;
    int m_errorCode = 0;
};

#include "download/filedownloader.h"

#include "app/timing.h"
#include "download/downloadstatus.h"
#include "download/firmwarefiles.h"
#include "download/speedtext.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTemporaryFile>

#include <limits>

namespace {

int clampToInt(qint64 value)
{
    const qint64 lowest = std::numeric_limits<int>::min();
    const qint64 highest = std::numeric_limits<int>::max();
    return int(qBound(lowest, value, highest));
}

}

FileDownloader::FileDownloader(int id, bool useReplyTimer, const QUrl &url, const QString &targetFile,
                               const QByteArray &expectedMd5, QObject *parent,
                               QNetworkAccessManager *manager)
    : QObject(parent),
      m_targetFile(targetFile),
      m_url(url),
      m_id(id),
      m_useReplyTimer(useReplyTimer),
      m_expectedMd5(expectedMd5),
      m_manager(manager ? manager : new QNetworkAccessManager(this)),
      m_inMemory(targetFile.isEmpty())
{
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(Timing::scaled(kDefaultReplyTimeoutMs));
    if (m_useReplyTimer)
        connect(&m_replyTimer, &QTimer::timeout, this, &FileDownloader::ReplyTimerTimeout);
}

void FileDownloader::setReplyTimerMode(ReplyTimerMode mode)
{
    m_replyTimerMode = mode;
    m_replyTimer.setInterval(Timing::scaled(mode == ReplyTimerMode::Stall ? kStallTimeoutMs
                                                                          : kDefaultReplyTimeoutMs));
}

FileDownloader::~FileDownloader()
{
    dropReply();
    discardFile();
}

void FileDownloader::start()
{
    cancel();
    m_md5.reset();
    m_body.clear();
    m_errorCode = 0;

    if (!m_inMemory && !openTarget())
        return;

    QNetworkRequest request(m_url);
    // Follow redirects that do not downgrade security, the same on every Qt version.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_manager->get(request);
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &FileDownloader::downloadProgress);
    connect(m_reply, &QNetworkReply::finished, this, &FileDownloader::downloadFinished);
    connect(m_reply, &QNetworkReply::readyRead, this, &FileDownloader::downloadReadyRead);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &FileDownloader::downloadError);
    m_elapsed.start();
    if (m_useReplyTimer)
        m_replyTimer.start();
}

bool FileDownloader::openTarget()
{
    discardFile();
    const QFileInfo target(m_targetFile);
    if ((target.exists() || target.isSymLink()) && !QFile::remove(m_targetFile)) {
        finish(DownloadStatus::DeleteFailed);
        return false;
    }
    // Written under a short temporary name beside the target and renamed
    // once complete, so that no partial file ever lies under the target's
    // name and a target name of any valid length works. Not synced to the
    // disk: firmware is verified by its digest before any use, and waiting
    // for the disk would freeze the window.
    m_file = FirmwareFiles::temporaryFile(target.absolutePath());
    if (!m_file) {
        finish(DownloadStatus::WriteFailed);
        return false;
    }
    return true;
}

void FileDownloader::cancel()
{
    if (!m_reply)
        return;
    dropReply();
    discardFile();
    m_errorCode = QNetworkReply::OperationCanceledError;
    finish(DownloadStatus::TransferFailed);
}

void FileDownloader::replyActivity()
{
    // The first response has come; a stall time-out starts anew.
    if (m_replyTimerMode == ReplyTimerMode::Stall && m_useReplyTimer && m_reply)
        m_replyTimer.start();
    else
        m_replyTimer.stop();
}

void FileDownloader::downloadReadyRead()
{
    replyActivity();
    if (!m_reply)
        return;
    const QByteArray chunk = m_reply->readAll();
    // After an error the body is an error page or a fragment: not stored.
    if (chunk.isEmpty() || m_errorCode != 0)
        return;
    if (m_inMemory) {
        // The chunk that crosses the limit is kept whole; later ones are dropped.
        if (m_body.size() >= kMemoryLimit)
            return;
        m_body.append(chunk);
    } else {
        if (!m_file || m_file->write(chunk) != chunk.size() || !m_file->flush()) {
            dropReply();
            discardFile();
            finish(DownloadStatus::WriteFailed);
            return;
        }
    }
    m_md5.addData(chunk);
}

void FileDownloader::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    replyActivity();
    emit progressChanged(m_id, clampToInt(bytesReceived), clampToInt(bytesTotal),
                         downloadSpeedText(bytesReceived, m_elapsed.elapsed()));
}

void FileDownloader::downloadError(QNetworkReply::NetworkError error)
{
    m_errorCode = int(error);
    m_replyTimer.stop();
    discardFile();
}

void FileDownloader::ReplyTimerTimeout()
{
    if (!m_reply)
        return;
    dropReply();
    discardFile();
    m_errorCode = QNetworkReply::TimeoutError;
    finish(DownloadStatus::TransferFailed);
}

void FileDownloader::downloadFinished()
{
    if (!m_reply)
        return;
    // Bytes that arrived together with the finish are still part of the body.
    if (m_reply->bytesAvailable() > 0)
        downloadReadyRead();
    if (!m_reply)
        return; // the last chunk could not be written; already reported
    if (m_errorCode == 0 && m_reply->error() != QNetworkReply::NoError)
        m_errorCode = int(m_reply->error());
    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    m_replyTimer.stop();

    if (m_errorCode != 0) {
        discardFile();
        finish(DownloadStatus::TransferFailed);
        return;
    }
    if (m_file) {
        const bool saved = FirmwareFiles::commitTemporaryFile(*m_file, m_targetFile,
                                                              QString::fromLatin1(m_md5.result().toHex()));
        m_file.reset();
        if (!saved) {
            finish(DownloadStatus::WriteFailed);
            return;
        }
    }
    if (!m_expectedMd5.isEmpty() && m_md5.result() != m_expectedMd5)
        finish(DownloadStatus::ChecksumFailed);
    else
        finish(DownloadStatus::Success);
}

void FileDownloader::dropReply()
{
    m_replyTimer.stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void FileDownloader::discardFile()
{
    if (!m_file)
        return;
    m_file.reset(); // removes the temporary file
}

void FileDownloader::finish(int status)
{
    emit statusChanged(m_id, status);
}

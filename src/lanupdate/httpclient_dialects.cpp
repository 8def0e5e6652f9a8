// The step and reply tables of the five update dialects: which request each
// step sends and what each reply leads to.
#include "lanupdate/httpclient.h"

#include "discovery/tcpclient.h"
#include "displaylist/updatestatus.h"

#include <QDebug>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTime>

using namespace LanUpdate;

namespace {

constexpr quint16 kControlPort = 7142;
constexpr int kStepTimeoutSecs = 60;

// Legacy dialect: upload order and per-position step time-outs (seconds).
constexpr int kLegacyOrder[2][kSlotCount] = {{5, 4, 2, 3, 1, 0}, {0, 1, 2, 3, 4, 5}};
constexpr int kLegacyTimeoutSecs[2][kSlotCount] = {{600, 300, 180, 180, 600, 600},
                                                    {300, 300, 900, 180, 600, 600}};

int firstPending(const SlotFlags &pending)
{
    return nextPendingSlot(pending, -1);
}

}

// ------------------------------------------ steps and replies shared by dialects

bool HttpClient::startFileUpload(Dialect dialect, const QString &address, const QByteArray &stamp)
{
    m_uploading = true;
    m_checkComponent = firstPending(m_slots.pending);
    const QFileInfo file(m_fileNames.at(0));
    if (m_checkComponent < 0 || !file.isReadable()
        || !send(fileUpload(dialect, address, stamp, file.filePath(), file.size())))
        return false;
    log(QStringLiteral("started UPD_FILE_CHECK_REQ"));
    m_stepState = 7;
    return true;
}

bool HttpClient::fileCheckReply(const QByteArray &body, int checkedState, int *next)
{
    m_checkPercent = checkPercent(body);
    const bool lost = awaitsFile(body); // the display has no file: the upload was lost on its way
    if (lost && m_fileResends < kMaxFileResends) {
        ++m_fileResends;
        log(QStringLiteral("file not received: resending ") + stateItems());
        *next = 6;
        return true;
    }
    if (lost)
        log(QStringLiteral("file not received after resends= %1 ").arg(m_fileResends) + stateItems());
    const int state = lost ? -1 : fileCheckAllPending(body, m_slots.pending, &m_checkComponent);
    if (state == -1) {
        m_slots.status[m_checkComponent] = UpdateStatus::UploadFailed;
        endSession(UpdateStatus::UploadFailed);
        return false;
    }
    *next = state == 0 ? 8 : checkedState;
    return true;
}

bool HttpClient::updateResultReply(const QByteArray &body, int *next)
{
    const int state = updateResult(body, &m_slots, &m_currentComponent);
    if (state == 0) {
        m_slots.status[m_currentComponent] = UpdateStatus::Running;
        *next = 14;
    } else if (state == 1) {
        m_stepState = 16;
        endSession(finalStatus(m_slots.status));
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ legacy

int HttpClient::legacyUploadNext()
{
    const int table = m_seriesId == Series::Kestrel4 ? 0 : 1;
    m_currentComponent = 0;
    for (int position = 0; position < kSlotCount; ++position) {
        const int slot = kLegacyOrder[table][position];
        if (!m_slots.pending[slot])
            continue;
        m_slots.pending[slot] = false;
        m_currentComponent = slot;
        const QString path = m_fileNames.at(slot);
        const QFileInfo file(path);
        log(QStringLiteral("Uploading FW# %1 file: \"%2\"").arg(slot + 1).arg(path));
        m_uploading = true;
        m_slots.progress[slot] = 0;
        if (!file.isReadable() || !send(componentUpload(m_address, path, file.size()))) {
            setResult(UpdateStatus::UploadFailed);
            return UpdateStatus::UploadFailed;
        }
        setResult(UpdateStatus::Running);
        restartStepClock();
        m_stepTimeoutSecs = kLegacyTimeoutSecs[table][position];
        return UpdateStatus::Running;
    }
    endSession(UpdateStatus::Complete); // -2 when no slot was pending at all
    return 0;
}

void HttpClient::legacyReply(const QByteArray &body)
{
    const int result = legacyUploadReply(body);
    log(QStringLiteral("Reply result: %1").arg(result));
    const int slot = m_currentComponent;
    if (result == 0) {
        m_slots.status[slot] = UpdateStatus::Complete;
        m_slots.progress[slot] = 100;
        legacyUploadNext();
    } else if (result == 3) {
        m_waitTimer.start(scaledMs(kLegacyWaitMs));
    } else if (m_componentRetries[slot] >= 2) {
        setResult(UpdateStatus::UploadRetryFailed);
    } else {
        setResult(UpdateStatus::UploadRetrying);
        ++m_componentRetries[slot];
        m_slots.pending[slot] = true;
        legacyUploadNext();
    }
}

// -------------------------------------------------------------------- CGI

int HttpClient::cgiStep()
{
    const QString address = m_address;
    const QByteArray stamp = timeStamp(QTime::currentTime());
    int result = UpdateStatus::Running;
    if (m_stepState == -1) {
        m_currentComponent = 0;
        m_stepTimeoutSecs = kStepTimeoutSecs;
        m_stepState = 0;
    }
    switch (m_stepState) {
    case 0:
        log(QStringLiteral("started UPD_STANDBY_REQ"));
        send(standbyCommand(Dialect::Cgi, address, stamp));
        m_stepState = 1;
        break;
    case 2:
        log(QStringLiteral("started UPD_FILE_DEL_REQ"));
        send(fileDeleteCommand(address, stamp));
        m_stepState = 3;
        break;
    case 4:
        log(QStringLiteral("started UPD_UPDATE_STATE_REQ"));
        send(uploadStateQuery(Dialect::Cgi, address, stamp));
        m_stepState = 5;
        break;
    case 6:
        if (!startFileUpload(Dialect::Cgi, address, stamp))
            result = UpdateStatus::UploadFailed;
        break;
    case 8:
        m_uploading = false;
        log(QStringLiteral("started UPD_FILE_CHECK_RESULT"));
        send(uploadStateQuery(Dialect::Cgi, address, stamp));
        m_stepState = 9;
        break;
    case 10:
        log(QStringLiteral("started UPD_MODE_CHANGE_REQ"));
        send(modeChangeCommand(address, stamp));
        m_stepState = 11;
        break;
    case 12:
        m_currentComponent = qMax(0, firstPending(m_slots.pending));
        log(QStringLiteral("started UPD_UPDATE_REQ"));
        send(updateCommand(Dialect::Cgi, address, componentList(m_slots.pending), stamp));
        m_stepState = 13;
        break;
    case 14:
        send(updateResultQuery(Dialect::Cgi, address, stamp));
        m_stepState = 15;
        break;
    default:
        return result; // awaiting a reply
    }
    setResult(result);
    return result;
}

void HttpClient::cgiReply(const QByteArray &body)
{
    int next = -1;
    switch (m_stepState) {
    case 1:
    case 3:
    case 7:
    case 11:
    case 13:
        if (okCheck(body) == 0)
            next = m_stepState + 1;
        break;
    case 5: {
        const int state = LanUpdate::uploadState(body, -1);
        next = state == 0 ? 2 : (state == 1 ? 6 : -1);
        break;
    }
    case 9:
        if (!fileCheckReply(body, 10, &next))
            return;
        break;
    case 15:
        if (!updateResultReply(body, &next))
            return;
        break;
    default:
        break;
    }
    if (next < 0) {
        setResult(UpdateStatus::HttpCommError);
        return;
    }
    m_stepState = next;
}

// ------------------------------------------------------------------ timed

int HttpClient::timedStep()
{
    const QString address = m_address;
    const QByteArray stamp = timeStamp(QTime::currentTime());
    int result = UpdateStatus::Running;
    if (m_stepState == -1) {
        m_uploading = false;
        m_currentComponent = 0;
        m_stepTimeoutSecs = kStepTimeoutSecs;
        m_stepState = 0;
    }
    switch (m_stepState) {
    case 0:
        log(QStringLiteral("started UPD_STANDBY_REQ"));
        send(standbyCommand(Dialect::Timed, address, stamp));
        m_stepState = 1;
        break;
    case 4:
        log(QStringLiteral("started UPD_UPDATE_STATE_REQ"));
        send(uploadStateQuery(Dialect::Timed, address, stamp));
        m_stepState = 5;
        break;
    case 6:
        if (!startFileUpload(Dialect::Timed, address, stamp))
            result = UpdateStatus::UploadFailed;
        break;
    case 8:
        m_uploading = false;
        log(QStringLiteral("started UPD_FILE_CHECK_RESULT"));
        send(fileCheckQuery(address, stamp));
        m_stepState = 9;
        break;
    case 12:
        m_currentComponent = qMax(0, firstPending(m_slots.pending));
        log(QStringLiteral("started UPD_UPDATE_REQ"));
        send(updateCommand(Dialect::Timed, address, componentList(m_slots.pending), stamp));
        m_stepState = 13;
        break;
    case 14:
        send(updateResultQuery(Dialect::Timed, address, stamp));
        m_stepState = 15;
        break;
    default:
        return result;
    }
    setResult(result);
    return result;
}

void HttpClient::timedReply(const QByteArray &body)
{
    int next = -1;
    switch (m_stepState) {
    case 1:
        log(QStringLiteral("waiting")); // the standby reply's body means nothing
        m_waitTimer.start(scaledMs(kTimedWaitMs));
        return;
    case 5: {
        const int state = LanUpdate::uploadState(body, m_checkComponent);
        if (state == 0) {
            next = 4;
        } else if (state == 1) {
            next = 6;
        } else if (m_checkRetries < 3) {
            ++m_checkRetries;
            next = 4;
        }
        break;
    }
    case 7:
        if (okCheck(body) == 0) {
            log(QStringLiteral("File check received."));
            next = 8;
        }
        break;
    case 9:
        if (!fileCheckReply(body, 12, &next))
            return;
        break;
    case 13:
        if (okCheck(body) == 0) {
            log(QStringLiteral("finished UPD_UPDATE_REQ. Starting update progress wait."));
            m_waitTimer.start(scaledMs(kTimedWaitMs));
            return;
        }
        break;
    case 15:
        if (!updateResultReply(body, &next))
            return;
        break;
    default:
        break;
    }
    if (next < 0) {
        setResult(UpdateStatus::HttpCommError);
        return;
    }
    m_stepState = next;
}

void HttpClient::FirmUpdateOspreyH_ChangeModeWait()
{
    if (m_sessionStatus != UpdateStatus::Running || m_stepState != 1)
        return;
    m_stepState = 4;
    log(QStringLiteral("Mode change wait finished"));
}

void HttpClient::FirmUpdateOspreyH_UpdateExecuteWait()
{
    if (m_sessionStatus != UpdateStatus::Running || m_stepState != 13)
        return;
    m_stepState = 14;
    log(QStringLiteral("Update execute wait finished"));
    restartStepClock();
}

// ---------------------------------------------------------------- chunked

int HttpClient::chunkedStep()
{
    const QString address = m_address;
    int result = UpdateStatus::Running;
    if (m_stepState == -1) {
        m_uploading = false;
        m_currentComponent = 0;
        m_stepTimeoutSecs = kStepTimeoutSecs;
        m_stepState = 0;
    }
    switch (m_stepState) {
    case 0:
        log(QStringLiteral("started UPD_STANDBY_REQ"));
        send(chunkedRequest(ChunkedCommand::Standby, address, requestToken()));
        m_stepState = 1;
        break;
    case 4:
        log(QStringLiteral("started UPD_UPDATE_STATE_REQ"));
        send(chunkedRequest(ChunkedCommand::UploadState, address, requestToken()));
        m_stepState = 5;
        break;
    case 6:
        if (m_checkComponent == -1) {
            m_checkComponent = firstPending(m_slots.pending);
            if (m_checkComponent < 0) {
                result = UpdateStatus::UploadFailed;
                break;
            }
            // The file is read one chunk at a time, never whole.
            m_chunkFile.setFileName(m_fileNames.at(0));
            if (!m_chunkFile.open(QIODevice::ReadOnly)) {
                m_currentComponent = m_checkComponent;
                result = UpdateStatus::UploadFailed;
                break;
            }
            m_uploadSize = m_chunkFile.size();
            m_uploadOffset = 0;
            m_uploading = true;
            m_firmwareSent = true;
            send(chunkedAnnouncement(address, m_uploadSize, requestToken()));
            log(QStringLiteral("started UPD_FILE_CHECK_REQ sent uploadsize= %1").arg(m_uploadSize));
        } else {
            const QByteArray chunk = m_chunkFile.read(qMin(kChunkSize, m_uploadSize - m_uploadOffset));
            if (chunk.isEmpty() && m_uploadOffset < m_uploadSize) {
                result = UpdateStatus::UploadFailed; // the file shrank or became unreadable
                break;
            }
            m_uploadOffset += chunk.size();
            send(chunkedRequest(ChunkedCommand::Upload, address, requestToken(), chunk));
            m_uploading = true;
            log(QStringLiteral("started UPD_FILE_CHECK_REQ offset= %1 size= %2").arg(m_uploadOffset).arg(chunk.size()));
        }
        m_stepState = 7;
        break;
    case 8:
        m_uploading = false;
        log(QStringLiteral("started UPD_FILE_CHECK_RESULT"));
        send(chunkedRequest(ChunkedCommand::FileCheck, address, requestToken()));
        m_stepState = 9;
        break;
    case 12:
        m_currentComponent = qMax(0, firstPending(m_slots.pending));
        log(QStringLiteral("started UPD_UPDATE_REQ"));
        send(chunkedRequest(ChunkedCommand::Update, address, requestToken()));
        m_stepState = 13;
        break;
    case 14:
        send(chunkedRequest(ChunkedCommand::UpdateResult, address, requestToken()));
        m_stepState = 15;
        break;
    case 16:
        log(QStringLiteral("COMPLETE"));
        result = UpdateStatus::Complete;
        break;
    default:
        return result;
    }
    setResult(result);
    return result;
}

void HttpClient::chunkedReply(const QByteArray &body)
{
    switch (m_stepState) {
    case 1:
    case 5:
    case 13:
        m_stepState += m_stepState == 1 ? 3 : 1;
        return;
    case 7:
        restartStepClock(); // the file moves on
        if (m_uploadSize > 0)
            m_uploadPercent = int(m_uploadOffset * 100 / m_uploadSize);
        if (m_uploadOffset >= m_uploadSize) {
            m_uploadPercent = 100;
            m_chunkFile.close();
            m_stepState = 8;
        } else {
            m_stepState = 6;
        }
        return;
    case 9: {
        m_checkPercent = checkPercent(body);
        const int state = chunkedFileCheck(lenientJson(body), &m_slots, &m_checkComponent);
        if (state == -1) {
            endSession(UpdateStatus::UploadFailed);
            return;
        }
        m_stepState = state == 0 ? 8 : 12;
        return;
    }
    case 15: {
        const int state = chunkedUpdateResult(lenientJson(body), &m_slots, &m_currentComponent);
        if (state == -1) {
            endSession(UpdateStatus::HttpCommError);
            return;
        }
        m_stepState = state == 0 ? 14 : 16;
        return;
    }
    default:
        break;
    }
    setResult(UpdateStatus::HttpCommError);
}

// ------------------------------------------------------------------ keyed

void HttpClient::startControlRequest(int flags)
{
    if (m_tcpClient) {
        m_tcpClient->disconnect(this);
        m_tcpClient->deleteLater();
    }
    // A control client serves one exchange; each request gets a new one.
    m_tcpClient = new TcpClient(this);
    connect(m_tcpClient, &TcpClient::device_results, this, &HttpClient::tcpClientResults);
    m_tcpClient->SetRequestFlags(flags);
    m_tcpClient->Start(QHostAddress(m_address), kControlPort, QHostAddress());
}

int HttpClient::keyedStep()
{
    int result = UpdateStatus::Running;
    switch (m_keyedStep) {
    case -1:
        m_stepTimeoutSecs = 0;
        m_startRetries = 0;
        m_currentComponent = 0;
        m_nearlyDone = false;
        m_keyedStep = 1;
        break;
    case 1:
        m_stepTimeoutSecs = 30;
        m_lastBytesSent = 0;
        restartStepClock();
        m_uploadToken = 0;
        startControlRequest(TCP_REQ_UPLOAD_REQUEST);
        log(QStringLiteral("Requesting firmware upload."));
        m_keyedStep = 2;
        break;
    case 3: {
        m_stepTimeoutSecs = 60;
        restartStepClock();
        const QString path = m_fileNames.at(0);
        auto *file = new QFile(path);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            result = UpdateStatus::UploadFailed;
            break;
        }
        auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
        file->setParent(multiPart);
        QHttpPart part;
        part.setRawHeader("Content-Disposition", keyedContentDisposition(path));
        part.setBodyDevice(file);
        multiPart->append(part);
        QNetworkRequest request(keyedUploadUrl(m_address));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setRawHeader("X-Api-Key", uploadKey(m_uploadToken));
        QNetworkReply *reply = m_manager.post(request, multiPart);
        multiPart->setParent(reply); // the body and the file go with the reply
        connect(reply, &QNetworkReply::uploadProgress, this, &HttpClient::FirmUpdateFuncTamarindHTTPUploadProgress);
        m_pendingReply = reply;
        m_lastBytesSent = 0;
        m_firmwareSent = true;
        m_uploading = true;
        m_uploadPercent = 0;
        m_slots.progress[0] = 0;
        log(QStringLiteral("Starting firmware upload."));
        m_keyedStep = 4;
        break;
    }
    case 5:
        m_stepTimeoutSecs = 120;
        restartStepClock();
        startControlRequest(TCP_REQ_START_UPDATE);
        log(QStringLiteral("Requesting start firmware update."));
        m_keyedStep = 6;
        break;
    case 7:
        // One progress query at a time: a slow answer is not overtaken.
        if (!m_tcpClient)
            startControlRequest(TCP_REQ_UPDATE_PROGRESS);
        break;
    default:
        return result;
    }
    setResult(result);
    return result;
}

void HttpClient::keyedReply(int httpStatus)
{
    m_uploading = false;
    if (keyedUploadReply(httpStatus) == 0) {
        log(QStringLiteral("Firmware upload successful."));
        m_keyedStep = 5;
    } else {
        log(QStringLiteral("Error: Firmware upload rejected: %1").arg(httpStatus));
        setResult(UpdateStatus::HttpCommError);
    }
}

void HttpClient::FirmUpdateFuncTamarindHTTPUploadProgress(qint64 bytesSent, qint64 bytesTotal)
{
    if (bytesTotal <= 0)
        return;
    if (bytesSent > m_lastBytesSent)
        restartStepClock(); // an upload that keeps moving never times out
    m_lastBytesSent = bytesSent;
    m_uploadPercent = int(bytesSent * 100 / bytesTotal);
}

void HttpClient::tcpClientResults(PD_TCP_REPLY m_PD_TCP_REPLY)
{
    if (m_tcpClient) {
        m_tcpClient->disconnect(this);
        m_tcpClient->deleteLater();
        m_tcpClient = nullptr;
    }
    if (m_seriesId != Series::Tamarind || m_sessionStatus != UpdateStatus::Running)
        return;
    const bool ok = m_PD_TCP_REPLY.tcpStatus == TcpStatus::Ok;
    switch (m_keyedStep) {
    case 2:
        if (ok) {
            m_uploadToken = m_PD_TCP_REPLY.setParamValue;
            m_keyedStep = 3;
        }
        break;
    case 6:
        if (!ok) {
            log(QStringLiteral("Error: Request to start firmware update was rejected."));
            setResult(UpdateStatus::UpdateFailed);
        } else {
            log(QStringLiteral("Start firmware update received."));
            m_stepTimeoutSecs = 120;
            restartStepClock();
            m_keyedStep = 7;
        }
        break;
    case 7: {
        if (!ok) {
            log(QStringLiteral("Warning: Firmware update progress update error."));
            break;
        }
        const int code = m_PD_TCP_REPLY.getParamValue;
        const int slot = m_currentComponent;
        if (code == 200) {
            if (m_nearlyDone) {
                m_keyedStep = 8;
                setResult(UpdateStatus::Complete);
            } else if (m_stepClock.elapsed() <= scaledMs(kKeyedStartWaitMs)) {
                log(QStringLiteral("Waiting for firmware update to start."));
            } else if (m_startRetries != 0) {
                log(QStringLiteral("Error: Firmware update did not start within timeout."));
                setResult(UpdateStatus::UpdateFailed);
            } else {
                log(QStringLiteral("Error: Firmware update did not start within timeout. Retrying."));
                ++m_startRetries;
                m_keyedStep = 5;
            }
        } else if (code == 208) {
            setResult(UpdateStatus::UpdateFailed);
            log(QStringLiteral("Error: Display reported firmware update failed."));
        } else if (code >= 0 && code <= 100) {
            m_slots.progress[slot] = code; // a higher code is progress (replyHandled)
            if (code > 95)
                m_nearlyDone = true;
            if (code == 100) {
                m_keyedStep = 8;
                setResult(UpdateStatus::Complete);
            }
        }
        break;
    }
    default:
        break;
    }
    if (m_sessionStatus == UpdateStatus::Running)
        replyHandled();
}

#include "lanupdate/httpclient.h"

#include "app/timing.h"
#include "discovery/tcpclient.h"
#include "displaylist/updatestatus.h"
#include "lanupdate/directrequest.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTime>

#include <cmath>
#include <limits>

using namespace LanUpdate;

namespace {

constexpr quint16 kControlPort = 7142;
constexpr int kStepTimeoutSecs = 60;

// Legacy dialect: upload order and per-position step time-outs (seconds).
constexpr int kLegacyOrder[2][kSlotCount] = {{5, 4, 2, 3, 1, 0}, {0, 1, 2, 3, 4, 5}};
constexpr int kLegacyTimeoutSecs[2][kSlotCount] = {{600, 300, 180, 180, 600, 600},
                                                    {300, 300, 900, 180, 600, 600}};

// An answer with an HTTP status is the display's reply, even when the
// network layer flags it as an error; only a failed connection, a reset or
// a broken reply is a transport error.
bool isTransportError(const QNetworkReply *reply)
{
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError)
        return false;
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    return error < QNetworkReply::ContentAccessDenied
        || (error >= QNetworkReply::ProtocolUnknownError && error <= QNetworkReply::ProtocolFailure);
}

int firstPending(const SlotFlags &pending)
{
    return nextPendingSlot(pending, -1);
}

}

HttpClient::HttpClient(QObject *parent)
    : QObject(parent)
    , m_scale(Timing::scale())
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &HttpClient::FinishedHandle);
    m_errorCheckTimer.setSingleShot(true);
    m_errorCheckTimer.setInterval(scaledMs(kRetryMs));
    m_waitTimer.setInterval(scaledMs(kLegacyWaitMs));
    connect(&m_httpTimer, &QTimer::timeout, this, &HttpClient::HttpTimerHandle);
    connect(&m_waitTimer, &QTimer::timeout, this, &HttpClient::HttpWaitTimerHandle);
    connect(&m_errorCheckTimer, &QTimer::timeout, this, &HttpClient::HttpErrorCheckTimerHandle);
}

HttpClient::~HttpClient()
{
    m_manager.disconnect(this);
    dropPendingRequest();
    if (m_tcpClient) {
        m_tcpClient->disconnect(this);
        m_tcpClient->deleteLater();
    }
}

void HttpClient::setup(int displayIndex, const QString &address, const QStringList &fileNames,
                       const SlotFlags &pending, int startInterval, SeriesId seriesId, int fileCount)
{
    Q_UNUSED(fileCount)
    m_displayIndex = displayIndex;
    m_address = address;
    m_seriesId = seriesId;
    m_dialect = dialectForSeries(seriesId);
    m_startInterval = startInterval;
    m_fileNames = fileNames.mid(0, kSlotCount);
    while (m_fileNames.size() < kSlotCount)
        m_fileNames.append(QString());
    m_errorCount = 0;
    m_checkRetries = 0;
    m_uploadOffset = 0;
    m_stepTimeoutSecs = 0;
    m_uploading = false;
    m_uploadPercent = -1;
    m_uploadSize = 0;
    m_slots = SlotState();
    m_slots.pending = pending;
    m_componentRetries.fill(0);
    m_sessionStatus = UpdateStatus::Queued;
    m_currentComponent = -1;
    m_checkComponent = -1;
}

void HttpClient::start()
{
    m_sessionStatus = UpdateStatus::Running;
    m_stepState = -1;
    m_keyedStep = -1;
    m_httpTimer.start(m_startInterval > 0 ? scaledMs(m_startInterval) : 0);
}

int HttpClient::componentStatus(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slots.status[slot] : 0;
}

int HttpClient::componentProgress(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slots.progress[slot] : -1;
}

bool HttpClient::uploadState(int &percent) const
{
    percent = m_uploadPercent;
    return m_uploading;
}

QString HttpClient::statusText(int code)
{
    const QString text = UpdateStatus::statusText(code);
    if (!text.isEmpty())
        return text;
    return QCoreApplication::translate("HttpClient", "Status: %1", "1=number (for unknown status type)").arg(code);
}

int HttpClient::scaledMs(qint64 ms) const
{
    const qint64 scaled = std::llround(double(ms) * m_scale);
    return int(qBound(qint64(1), scaled, qint64(std::numeric_limits<int>::max())));
}

bool HttpClient::stepTimedOut() const
{
    // Whole seconds elapsed exceed the step's limit.
    return m_stepClock.isValid()
        && m_stepClock.elapsed() >= scaledMs((qint64(m_stepTimeoutSecs) + 1) * 1000);
}

void HttpClient::log(const QString &text) const
{
    qInfo().noquote() << "Display #" << m_displayIndex + 1 << text;
}

QString HttpClient::stateItems() const
{
    return QStringLiteral("UTM= %1 FW= %2 US= %3 USK5= %4")
        .arg(m_stepTimeoutSecs)
        .arg(m_currentComponent + 1)
        .arg(m_sessionStatus)
        .arg(m_dialect == Dialect::Keyed ? m_keyedStep : m_stepState);
}

void HttpClient::setResult(int code)
{
    m_sessionStatus = code;
    if (m_currentComponent >= 0 && m_currentComponent < kSlotCount)
        m_slots.status[m_currentComponent] = code;
}

void HttpClient::endWithTransportError(const QString &line)
{
    setResult(UpdateStatus::HttpCommError);
    m_errorCount = 0;
    m_httpTimer.stop();
    m_uploading = false;
    log(line + QLatin1Char(' ') + stateItems());
}

void HttpClient::dropPendingRequest()
{
    if (m_pendingReply) {
        QNetworkReply *reply = m_pendingReply;
        m_pendingReply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (m_pendingDirect) {
        m_pendingDirect->abort();
        m_pendingDirect->deleteLater();
        m_pendingDirect = nullptr;
    }
    m_chunkFile.close();
}

bool HttpClient::send(const Request &request)
{
    m_stepClock.restart();
    if (m_dialect != Dialect::Chunked) {
        auto *direct = new DirectRequest(request, this);
        if (!direct->start()) {
            delete direct;
            return false;
        }
        connect(direct, &DirectRequest::finished, this, [this, direct] { directFinished(direct); });
        if (!request.bodyFile.isEmpty()) {
            m_uploadPercent = 0;
            connect(direct, &DirectRequest::uploadProgress, this, [this](qint64 sent, qint64 total) {
                if (total > 0)
                    m_uploadPercent = int(sent * 100 / total);
            });
        }
        m_pendingDirect = direct;
        return true;
    }
    QNetworkRequest networkRequest(request.url);
    // The display speaks HTTP/1.1 only.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    for (const auto &field : request.headers)
        networkRequest.setRawHeader(field.first, field.second);
    m_pendingReply = request.method == "GET" ? m_manager.get(networkRequest) : m_manager.post(networkRequest, request.body);
    return true;
}

void HttpClient::directFinished(DirectRequest *request)
{
    request->deleteLater();
    if (request != m_pendingDirect)
        return;
    m_pendingDirect = nullptr;
    handleReply(request->isTransportError(), request->errorString(), request->httpStatus(), request->body());
}

// ---------------------------------------------------------------- the tick

void HttpClient::HttpTimerHandle()
{
    if (m_currentComponent == -1) {
        m_stepClock.restart();
        int result = 0;
        switch (m_dialect) {
        case Dialect::Legacy:
            result = legacyUploadNext();
            break;
        case Dialect::Cgi:
            result = cgiStep();
            break;
        case Dialect::Timed:
            result = timedStep();
            break;
        case Dialect::Chunked:
            result = chunkedStep();
            break;
        case Dialect::Keyed:
            result = keyedStep();
            break;
        case Dialect::None:
            // Nothing would ever end such a session: end it at once.
            m_httpTimer.stop();
            m_sessionStatus = UpdateStatus::HttpCommError;
            log(QStringLiteral("no LAN update for series %1 %2").arg(m_seriesId).arg(stateItems()));
            return;
        }
        if (result == UpdateStatus::Running)
            m_httpTimer.setInterval(scaledMs(kTickMs));
        return;
    }

    if (m_dialect != Dialect::Legacy) {
        if (m_sessionStatus != UpdateStatus::Running) {
            m_httpTimer.stop();
            m_uploading = false;
            return;
        }
        switch (m_dialect) {
        case Dialect::Cgi:
            cgiStep();
            break;
        case Dialect::Timed:
            timedStep();
            break;
        case Dialect::Chunked:
            chunkedStep();
            break;
        case Dialect::Keyed:
            keyedStep();
            break;
        default:
            break;
        }
    }

    if (m_sessionStatus == UpdateStatus::Running) {
        if (stepTimedOut()) {
            if (m_currentComponent >= 0 && m_currentComponent < kSlotCount)
                m_slots.status[m_currentComponent] = UpdateStatus::HttpCommError;
            m_sessionStatus = UpdateStatus::Timeout;
            log(QStringLiteral("UPD_ERR_TIMEOUT ") + stateItems());
        }
    }
    if (m_sessionStatus != UpdateStatus::Running) {
        m_httpTimer.stop();
        m_uploading = false;
        // Nothing more goes to the display: a request still under way is dropped.
        dropPendingRequest();
    }
}

void HttpClient::HttpWaitTimerHandle()
{
    m_waitTimer.stop();
    const int slot = m_currentComponent;
    m_slots.status[slot] = UpdateStatus::Complete;
    m_slots.progress[slot] = 100;
    legacyUploadNext();
}

void HttpClient::HttpErrorCheckTimerHandle()
{
    m_errorCheckTimer.stop();
    switch (m_stepState) {
    case 1:
    case 5:
        m_stepState = 4;
        break;
    case 7:
    case 9:
        m_stepState = 8;
        break;
    case 13:
        m_stepState = 12;
        break;
    case 15:
        m_stepState = 14;
        break;
    default:
        endWithTransportError(QStringLiteral("Retry not handled. Max errors exceeded."));
        return;
    }
    log(QStringLiteral("attempting retry ") + stateItems());
}

// ------------------------------------------------------------ the replies

void HttpClient::FinishedHandle(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_pendingReply)
        return;
    m_pendingReply = nullptr;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    handleReply(isTransportError(reply), reply->errorString(), status.toInt(), reply->readAll());
}

void HttpClient::handleReply(bool transportError, const QString &errorText, int httpStatus, const QByteArray &body)
{
    if (transportError) {
        const QString error = QLatin1Char('"') + errorText + QLatin1Char('"');
        switch (m_dialect) {
        case Dialect::Cgi:
        case Dialect::Timed:
            if (m_errorCount >= kMaxTransportErrors) {
                endWithTransportError(QStringLiteral("reply error: ") + error + QStringLiteral(" Max errors exceeded."));
            } else {
                log(QStringLiteral("reply error: ") + error + QStringLiteral(" Starting retry timer. ") + stateItems());
                m_errorCheckTimer.start();
                ++m_errorCount;
            }
            break;
        case Dialect::Keyed:
            // Nothing else would end the session: the upload is lost.
            endWithTransportError(QStringLiteral("upload reply error: ") + error);
            break;
        default:
            endWithTransportError(QStringLiteral("reply error: ") + error);
            break;
        }
        m_chunkFile.close();
        return;
    }

    m_errorCount = 0;
    switch (m_dialect) {
    case Dialect::Legacy:
        legacyReply(body);
        break;
    case Dialect::Cgi:
        cgiReply(body, httpStatus);
        break;
    case Dialect::Timed:
        timedReply(body, httpStatus);
        break;
    case Dialect::Chunked:
        chunkedReply(body, httpStatus);
        break;
    case Dialect::Keyed:
        keyedReply(httpStatus);
        break;
    case Dialect::None:
        break;
    }
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
        m_stepClock.restart();
        m_stepTimeoutSecs = kLegacyTimeoutSecs[table][position];
        return UpdateStatus::Running;
    }
    m_sessionStatus = UpdateStatus::Complete;
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
        m_waitTimer.start();
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
    case 6: {
        m_uploading = true;
        m_checkComponent = firstPending(m_slots.pending);
        const QFileInfo file(m_fileNames.at(0));
        if (m_checkComponent < 0 || !file.isReadable()
            || !send(fileUpload(Dialect::Cgi, address, stamp, file.filePath(), file.size()))) {
            result = UpdateStatus::UploadFailed;
            break;
        }
        log(QStringLiteral("started UPD_FILE_CHECK_REQ"));
        m_stepState = 7;
        break;
    }
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

void HttpClient::cgiReply(const QByteArray &body, int httpStatus)
{
    Q_UNUSED(httpStatus) // an error page fails its rule like any other unusable body
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
    case 9: {
        const int state = fileCheckAllPending(body, m_slots.pending, &m_checkComponent);
        if (state == -1) {
            m_sessionStatus = UpdateStatus::UploadFailed;
            m_slots.status[m_checkComponent] = UpdateStatus::UploadFailed;
            return;
        }
        next = state == 0 ? 8 : 10;
        break;
    }
    case 15: {
        const int state = updateResult(body, &m_slots, &m_currentComponent);
        if (state == 0) {
            m_slots.status[m_currentComponent] = UpdateStatus::Running;
            next = 14;
        } else if (state == 1) {
            m_stepState = 16;
            m_sessionStatus = finalStatus(m_slots.status);
            return;
        }
        break;
    }
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
    case 6: {
        m_uploading = true;
        m_checkComponent = firstPending(m_slots.pending);
        const QFileInfo file(m_fileNames.at(0));
        if (m_checkComponent < 0 || !file.isReadable()
            || !send(fileUpload(Dialect::Timed, address, stamp, file.filePath(), file.size()))) {
            result = UpdateStatus::UploadFailed;
            break;
        }
        log(QStringLiteral("started UPD_FILE_CHECK_REQ"));
        m_stepState = 7;
        break;
    }
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

void HttpClient::timedReply(const QByteArray &body, int httpStatus)
{
    int next = -1;
    switch (m_stepState) {
    case 1:
        // The standby reply's body means nothing; a refusal still ends the session.
        if (httpStatus >= 400)
            break;
        log(QStringLiteral("waiting"));
        QTimer::singleShot(scaledMs(kTimedWaitMs), this, &HttpClient::FirmUpdateOspreyH_ChangeModeWait);
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
    case 9: {
        const int state = fileCheckAllPending(body, m_slots.pending, &m_checkComponent);
        if (state == -1) {
            m_sessionStatus = UpdateStatus::UploadFailed;
            m_slots.status[m_checkComponent] = UpdateStatus::UploadFailed;
            return;
        }
        next = state == 0 ? 8 : 12;
        break;
    }
    case 13:
        if (okCheck(body) == 0) {
            log(QStringLiteral("finished UPD_UPDATE_REQ. Starting update progress wait."));
            QTimer::singleShot(scaledMs(kTimedWaitMs), this, &HttpClient::FirmUpdateOspreyH_UpdateExecuteWait);
            return;
        }
        break;
    case 15: {
        const int state = updateResult(body, &m_slots, &m_currentComponent);
        if (state == 0) {
            m_slots.status[m_currentComponent] = UpdateStatus::Running;
            next = 14;
        } else if (state == 1) {
            m_stepState = 16;
            m_sessionStatus = finalStatus(m_slots.status);
            return;
        }
        break;
    }
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
    m_stepClock.restart();
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

void HttpClient::chunkedReply(const QByteArray &body, int httpStatus)
{
    // Replies whose contents are not examined still must not be a refusal.
    const bool refused = httpStatus >= 400;
    switch (m_stepState) {
    case 1:
    case 5:
    case 13:
        if (refused)
            break;
        m_stepState += m_stepState == 1 ? 3 : 1;
        return;
    case 7:
        if (refused)
            break;
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
        const int state = chunkedFileCheck(lenientJson(body), &m_slots, &m_checkComponent);
        if (state == -1) {
            m_sessionStatus = UpdateStatus::UploadFailed;
            return;
        }
        m_stepState = state == 0 ? 8 : 12;
        return;
    }
    case 15: {
        const int state = chunkedUpdateResult(lenientJson(body), &m_slots, &m_currentComponent);
        if (state == -1) {
            m_sessionStatus = UpdateStatus::HttpCommError;
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
        m_stepClock.restart();
        m_uploadToken = 0;
        startControlRequest(TCP_REQ_UPLOAD_REQUEST);
        log(QStringLiteral("Requesting firmware upload."));
        m_keyedStep = 2;
        break;
    case 3: {
        m_stepTimeoutSecs = 60;
        m_stepClock.restart();
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
        m_uploading = true;
        m_uploadPercent = 0;
        m_slots.progress[0] = 0;
        log(QStringLiteral("Starting firmware upload."));
        m_keyedStep = 4;
        break;
    }
    case 5:
        m_stepTimeoutSecs = 120;
        m_stepClock.restart();
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
        m_stepClock.restart(); // an upload that keeps moving never times out
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
            m_stepClock.restart();
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
            if (code > m_slots.progress[slot])
                m_stepClock.restart();
            m_slots.progress[slot] = code;
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
}

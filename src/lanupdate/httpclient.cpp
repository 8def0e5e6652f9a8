#include "lanupdate/httpclient.h"

#include "app/timing.h"
#include "discovery/tcpclient.h"
#include "displaylist/updatestatus.h"
#include "lanupdate/directrequest.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cmath>
#include <limits>

using namespace LanUpdate;

namespace {

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

}

HttpClient::HttpClient(QObject *parent)
    : QObject(parent)
    , m_scale(Timing::scale())
{
    // Displays are on the LAN: a proxy of the firmware server's traffic
    // must never carry an update.
    m_manager.setProxy(QNetworkProxy::NoProxy);
    connect(&m_manager, &QNetworkAccessManager::finished, this, &HttpClient::FinishedHandle);
    m_errorCheckTimer.setSingleShot(true);
    m_errorCheckTimer.setInterval(scaledMs(kRetryMs));
    m_waitTimer.setSingleShot(true);
    m_deadlineTimer.setSingleShot(true);
    connect(&m_httpTimer, &QTimer::timeout, this, &HttpClient::HttpTimerHandle);
    connect(&m_waitTimer, &QTimer::timeout, this, &HttpClient::HttpWaitTimerHandle);
    connect(&m_errorCheckTimer, &QTimer::timeout, this, &HttpClient::HttpErrorCheckTimerHandle);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &HttpClient::deadlinePassed);
}

HttpClient::~HttpClient()
{
    m_manager.disconnect(this);
    stopSession();
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
    m_checkPercent = -1;
    m_fileResends = 0;
    m_firmwareSent = false;
}

void HttpClient::start()
{
    m_sessionStatus = UpdateStatus::Running;
    m_stepState = -1;
    m_keyedStep = -1;
    m_progressMarks.fill(std::numeric_limits<int>::min());
    m_httpTimer.start(m_startInterval > 0 ? scaledMs(m_startInterval) : 0);
    if (m_deadlineSecs > 0)
        m_deadlineTimer.start(scaledMs(qint64(m_deadlineSecs) * 1000));
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
    if (m_currentComponent >= 0 && m_currentComponent < kSlotCount)
        m_slots.status[m_currentComponent] = code;
    if (code == UpdateStatus::Running || code == UpdateStatus::UploadRetrying)
        m_sessionStatus = code;
    else
        endSession(code);
}

// ------------------------------------------------------- ending a session

void HttpClient::endSession(int status)
{
    m_sessionStatus = status;
    if (status == UpdateStatus::Complete && !m_firmwareSent) {
        // Nothing went to the display, so nothing it answered can mean an update.
        m_sessionStatus = UpdateStatus::UploadFailed;
        if (m_currentComponent >= 0 && m_currentComponent < kSlotCount)
            m_slots.status[m_currentComponent] = m_sessionStatus;
        log(QStringLiteral("Error: No firmware was sent. ") + stateItems());
    }
    stopSession();
}

void HttpClient::stopSession()
{
    m_httpTimer.stop();
    m_waitTimer.stop();
    m_errorCheckTimer.stop();
    m_deadlineTimer.stop();
    m_uploading = false;
    dropPendingRequest();
    if (m_tcpClient) {
        m_tcpClient->disconnect(this);
        m_tcpClient->deleteLater();
        m_tcpClient = nullptr;
    }
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

void HttpClient::endWithError(int status, const QString &line)
{
    if (m_currentComponent >= 0 && m_currentComponent < kSlotCount)
        m_slots.status[m_currentComponent] = UpdateStatus::HttpCommError;
    m_sessionStatus = status; // for the log line
    m_errorCount = 0;
    log(line + QLatin1Char(' ') + stateItems());
    endSession(status);
}

void HttpClient::deadlinePassed()
{
    if (m_sessionStatus == UpdateStatus::Running)
        endWithError(UpdateStatus::Timeout, QStringLiteral("UPD_ERR_TIMEOUT deadline= %1").arg(m_deadlineSecs));
}

// --------------------------------------------------------------- progress

void HttpClient::restartStepClock()
{
    m_stepClock.restart();
    m_repliesWithoutProgress = 0;
}

void HttpClient::noteProgress()
{
    int updated = 0; // -1 (no figure yet) counts below 0 %
    for (const int percent : m_slots.progress)
        updated += percent + 1;
    const std::array<int, 4> now{m_dialect == Dialect::Keyed ? m_keyedStep : m_stepState, m_checkPercent,
                                 m_checkComponent, updated};
    bool moved = false;
    for (size_t i = 0; i < now.size(); ++i) {
        moved = moved || now[i] > m_progressMarks[i];
        m_progressMarks[i] = qMax(m_progressMarks[i], now[i]);
    }
    if (moved)
        restartStepClock();
}

// Every reply that does not move the session on counts towards its limit.
void HttpClient::replyHandled()
{
    ++m_repliesWithoutProgress;
    noteProgress();
    if (m_sessionStatus == UpdateStatus::Running && m_repliesWithoutProgress > kMaxRepliesWithoutProgress)
        endWithError(UpdateStatus::Timeout, QStringLiteral("UPD_ERR_TIMEOUT stalled replies= %1").arg(m_repliesWithoutProgress));
}

// ------------------------------------------------------------ the requests

bool HttpClient::send(const Request &request)
{
    if (m_dialect != Dialect::Chunked) {
        auto *direct = new DirectRequest(request, this);
        if (!direct->start()) {
            delete direct;
            return false;
        }
        connect(direct, &DirectRequest::finished, this, [this, direct] { directFinished(direct); });
        if (!request.bodyFile.isEmpty()) {
            m_uploadPercent = 0;
            m_lastBytesSent = 0;
            m_firmwareSent = true;
            // Every dialect's file upload reports its bytes like the keyed one.
            connect(direct, &DirectRequest::uploadProgress, this,
                    &HttpClient::FirmUpdateFuncTamarindHTTPUploadProgress);
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

int HttpClient::runStep()
{
    switch (m_dialect) {
    case Dialect::Legacy:
        return legacyUploadNext();
    case Dialect::Cgi:
        return cgiStep();
    case Dialect::Timed:
        return timedStep();
    case Dialect::Chunked:
        return chunkedStep();
    case Dialect::Keyed:
        return keyedStep();
    case Dialect::None:
        break;
    }
    // Nothing would ever end such a session: end it at once.
    log(QStringLiteral("no LAN update for series %1 %2").arg(m_seriesId).arg(stateItems()));
    endSession(UpdateStatus::HttpCommError);
    return UpdateStatus::HttpCommError;
}

void HttpClient::HttpTimerHandle()
{
    if (m_currentComponent == -1) {
        restartStepClock();
        if (runStep() == UpdateStatus::Running)
            m_httpTimer.setInterval(scaledMs(kTickMs));
        noteProgress();
        return;
    }
    // The legacy dialect moves on by its replies and its wait only.
    if (m_dialect != Dialect::Legacy)
        runStep();
    noteProgress();
    if (m_sessionStatus == UpdateStatus::Running && stepTimedOut())
        endWithError(UpdateStatus::Timeout, QStringLiteral("UPD_ERR_TIMEOUT"));
}

void HttpClient::HttpWaitTimerHandle()
{
    if (m_dialect == Dialect::Timed) {
        if (m_stepState == 1)
            FirmUpdateOspreyH_ChangeModeWait();
        else
            FirmUpdateOspreyH_UpdateExecuteWait();
        return;
    }
    const int slot = m_currentComponent;
    m_slots.status[slot] = UpdateStatus::Complete;
    m_slots.progress[slot] = 100;
    legacyUploadNext();
}

void HttpClient::HttpErrorCheckTimerHandle()
{
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
        endWithError(UpdateStatus::HttpCommError, QStringLiteral("Retry not handled. Max errors exceeded."));
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
    // An error page is no answer to the step: the request failed. The keyed
    // upload alone is judged by its status.
    if (transportError || (m_dialect != Dialect::Keyed && (httpStatus < 200 || httpStatus > 299))) {
        requestFailed(transportError ? errorText : QStringLiteral("HTTP status %1").arg(httpStatus));
        return;
    }
    m_errorCount = 0;
    switch (m_dialect) {
    case Dialect::Legacy:
        legacyReply(body);
        break;
    case Dialect::Cgi:
        cgiReply(body);
        break;
    case Dialect::Timed:
        timedReply(body);
        break;
    case Dialect::Chunked:
        chunkedReply(body);
        break;
    case Dialect::Keyed:
        keyedReply(httpStatus);
        break;
    case Dialect::None:
        break;
    }
    replyHandled();
}

void HttpClient::requestFailed(const QString &errorText)
{
    m_chunkFile.close();
    const QString error = QLatin1Char('"') + errorText + QLatin1Char('"');
    switch (m_dialect) {
    case Dialect::Cgi:
    case Dialect::Timed:
        if (m_errorCount >= kMaxTransportErrors) {
            endWithError(UpdateStatus::HttpCommError, QStringLiteral("reply error: ") + error + QStringLiteral(" Max errors exceeded."));
        } else {
            log(QStringLiteral("reply error: ") + error + QStringLiteral(" Starting retry timer. ") + stateItems());
            m_errorCheckTimer.start();
            ++m_errorCount;
        }
        break;
    case Dialect::Keyed:
        // Nothing else would end the session: the upload is lost.
        endWithError(UpdateStatus::HttpCommError, QStringLiteral("upload reply error: ") + error);
        break;
    default:
        endWithError(UpdateStatus::HttpCommError, QStringLiteral("reply error: ") + error);
        break;
    }
}

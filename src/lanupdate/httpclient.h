#pragma once

#include "discovery/pdtcpreply.h"
#include "lanupdate/replyrules.h"
#include "lanupdate/updaterequests.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <array>

class DirectRequest;
class QNetworkReply;
class TcpClient;

// One display's firmware update over the LAN: it sends the requests of the
// display's dialect in order, judges each reply, retries what may be
// retried and times out what hangs, and keeps a status code for the session
// and for each of six component slots (UpdateStatus codes). It emits no
// signals: the update queue starts it and reads its accessors once a second.
// Every time-out and wait goes through Timing::scaled, read at construction.
// Every session ends: a step times out when the display shows no progress
// for its time (a new step, a higher percentage, a newly confirmed slot or
// upload bytes moving count; a resent poll does not), a polling step gives up
// after kMaxRepliesWithoutProgress replies without progress, and an optional
// deadline bounds the whole session. It ends Complete (3) only after the
// display confirmed the update of firmware that this session sent; a reply
// with an HTTP error status never counts as an answer to its step.
// The legacy, CGI and timed dialects, whose header sets are fixed byte for
// byte, go out as DirectRequest exactly as built; the chunked and keyed
// dialects use the network access manager.
class HttpClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickMs = 1000;
    static constexpr int kLegacyWaitMs = 20000;
    static constexpr int kRetryMs = 10000;
    static constexpr int kTimedWaitMs = 10000;
    static constexpr int kMaxTransportErrors = 3;
    static constexpr int kKeyedStartWaitMs = 60000;
    static constexpr int kMaxRepliesWithoutProgress = 100;
    static constexpr int kMaxFileResends = 2;

    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    // Loads one display's inputs; the session is then Queued (1).
    // fileCount is accepted for the queue's convenience and not used.
    void setup(int displayIndex, const QString &address, const QStringList &fileNames,
               const LanUpdate::SlotFlags &pending, int startInterval, SeriesId seriesId, int fileCount);
    // Running (2); the first tick comes after startInterval.
    void start();
    // The longest the whole session may run, counted from start() and scaled
    // like every other wait: past it the session ends with -3 whatever step
    // or wait it is in. 0 (the default) sets no limit.
    void setDeadlineSecs(int seconds) { m_deadlineSecs = qMax(0, seconds); }

    int status() const { return m_sessionStatus; }
    int componentStatus(int slot) const;
    int componentProgress(int slot) const;
    // Whether a firmware file is being sent; `percent` gets the share sent (-1: none yet).
    bool uploadState(int &percent) const;

    // The display text of a status code.
    static QString statusText(int code);

public slots:
    void FinishedHandle(QNetworkReply *reply);
    void HttpTimerHandle();
    void HttpWaitTimerHandle();
    void HttpErrorCheckTimerHandle();
    void FirmUpdateOspreyH_ChangeModeWait();
    void FirmUpdateOspreyH_UpdateExecuteWait();
    void FirmUpdateFuncTamarindHTTPUploadProgress(qint64 bytesSent, qint64 bytesTotal);
    void tcpClientResults(PD_TCP_REPLY m_PD_TCP_REPLY);

private:
    int scaledMs(qint64 ms) const;
    bool stepTimedOut() const;
    void log(const QString &text) const;
    QString stateItems() const;
    void setResult(int code); // sessionStatus and componentStatus[currentComponent]
    // Sets the final status, stops every timer and drops the pending
    // request: nothing more goes out. A session that sent no firmware never
    // ends Complete: it ends -2.
    void endSession(int status);
    void stopSession();
    void dropPendingRequest();
    // Ends with `status` (the current slot -1), logging `line` and the state items.
    void endWithError(int status, const QString &line);
    void deadlinePassed();
    // A failed request (transport error or error status), by dialect.
    void requestFailed(const QString &error);

    void restartStepClock(); // progress: the step's time and reply count start again
    void noteProgress();
    void replyHandled();

    // False when the body's firmware file cannot be read (nothing is sent).
    bool send(const LanUpdate::Request &request);
    void directFinished(DirectRequest *request);
    void handleReply(bool transportError, const QString &errorText, int httpStatus, const QByteArray &body);

    int runStep();
    int legacyUploadNext();
    int cgiStep();
    int timedStep();
    int chunkedStep();
    int keyedStep();

    // Sends the firmware file for the CGI and timed dialects' file check;
    // false when there is none to send.
    bool startFileUpload(LanUpdate::Dialect dialect, const QString &address, const QByteArray &stamp);
    // The file check and update result replies of the CGI and timed
    // dialects; false when the reply ended the session.
    bool fileCheckReply(const QByteArray &body, int checkedState, int *next);
    bool updateResultReply(const QByteArray &body, int *next);
    void legacyReply(const QByteArray &body);
    void cgiReply(const QByteArray &body);
    void timedReply(const QByteArray &body);
    void chunkedReply(const QByteArray &body);
    void keyedReply(int httpStatus);
    void startControlRequest(int flags);

    QNetworkAccessManager m_manager;
    QTimer m_httpTimer;
    QTimer m_waitTimer; // single shot: the legacy image wait, the timed dialect's two waits
    QTimer m_errorCheckTimer;
    QTimer m_deadlineTimer;
    int m_deadlineSecs = 0;
    // High-water marks of the step number, file check percentage, confirmed
    // slot and summed update percentages: a rise is progress.
    std::array<int, 4> m_progressMarks{};
    int m_checkPercent = -1;
    int m_repliesWithoutProgress = 0;
    int m_fileResends = 0;
    bool m_firmwareSent = false;
    QPointer<TcpClient> m_tcpClient;
    QPointer<QNetworkReply> m_pendingReply;
    QPointer<DirectRequest> m_pendingDirect;
    QFile m_chunkFile;                // chunked dialect: read one chunk at a time
    double m_scale = 1.0;

    int m_displayIndex = -1;
    QString m_address;
    SeriesId m_seriesId = 0;
    LanUpdate::Dialect m_dialect = LanUpdate::Dialect::None;
    QStringList m_fileNames;
    LanUpdate::SlotState m_slots;
    LanUpdate::SlotValues m_componentRetries{};
    int m_currentComponent = -1;
    int m_checkComponent = -1;
    int m_sessionStatus = 0;
    int m_stepState = -1;
    int m_keyedStep = -1;
    int m_stepTimeoutSecs = 0;
    QElapsedTimer m_stepClock;
    int m_startInterval = 0;
    int m_errorCount = 0;
    int m_checkRetries = 0;
    bool m_uploading = false;
    int m_uploadPercent = -1;
    qint64 m_uploadSize = 0;
    qint64 m_uploadOffset = 0;
    qint32 m_uploadToken = 0;
    int m_startRetries = 0;
    bool m_nearlyDone = false;
    qint64 m_lastBytesSent = 0;
};

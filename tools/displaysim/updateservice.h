#pragma once

#include "simnet/httpserver.h"
#include "simprotocol/controlresponder.h"
#include "simprotocol/updaterequest.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QObject>

class EventLog;

// The firmware update interface of a display's web server, in the dialect
// of its series. Every request is checked as a display relies on it (the
// checks live in UpdateRequest); uploads are taken as streams and hashed as
// they arrive; upload, file check and update run through the states, replies
// and durations of a real display (scaled by updateTimeScale), with the
// faults of the fleet file. A display without a dialect adds no routes.
class UpdateService : public QObject
{
    Q_OBJECT

public:
    UpdateService(const DisplayConfig &config, DisplayState &state, const EventLog &log,
                  QObject *parent = nullptr);

    // Adds the dialect's routes to a web server listening on `local`.
    void addRoutes(HttpServer &server, const QHostAddress &local);

private:
    enum class Phase { Idle, Standby, Receiving, Checking, Checked, Updating, Done, Failed };
    class Sink;
    friend class Sink;

    std::unique_ptr<HttpBodySink> open(const HttpRequest &head, const QHostAddress &local);
    HttpResponse answer(Sink &sink);
    HttpResponse proceed(Sink &sink, QStringList *problems);
    HttpResponse upload(Sink &sink, QStringList *problems);
    HttpResponse chunk(Sink &sink, QStringList *problems);
    HttpResponse rejection(UpdateRequest::Step step, int status = 0) const;
    const UpdateStepFault *takeFault(UpdateRequest::Step step);
    bool notYet(UpdateRequest::Step step) const;

    void settle();
    void enter(Phase phase, int durationMs = 0);
    void fileReceived(const QByteArray &name, qint64 size, const QByteArray &md5);
    void uploadProgress(qint64 bytes, qint64 total);
    void finishUpdate(bool ok);
    void reportResult();

    QByteArray fileCheckDocument(bool countStateQuery);
    QByteArray updateResultDocument() const;
    int componentCode(int slot) const;
    qint64 updateElapsedMs() const;
    int componentCount() const;

    QJsonObject event() const;

    const DisplayConfig &m_config;
    DisplayState &m_state;
    const EventLog &m_log;
    const UpdateRequest::Dialect m_dialect;
    QElapsedTimer m_clock;
    Phase m_phase = Phase::Idle;
    qint64 m_phaseStartMs = 0;
    int m_phaseMs = 0;
    int m_stateQueries = 0;
    int m_rejectUses = 0;
    int m_dropUses = 0;
    int m_noAnswerUses = 0;
    int m_errorStatusUses = 0;
    bool m_resultReported = false; // the end of the running update was told to a client
    QList<int> m_components;  // 1-based, being updated
    QList<QByteArray> m_legacyFiles; // in the order they first arrived
    qint64 m_uploadStartMs = 0;
    int m_progressStep = -1;  // last tenth of the upload reported
    // Chunked upload across requests.
    qint64 m_announced = 0;
    qint64 m_chunked = 0;
    QCryptographicHash m_chunkHash{QCryptographicHash::Md5};
};

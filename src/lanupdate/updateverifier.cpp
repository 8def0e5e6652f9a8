#include "lanupdate/updateverifier.h"

#include "app/timing.h"
#include "discovery/controlprotocol.h"
#include "catalogue/versionrules.h"
#include "discovery/tcpclient.h"

UpdateVerifier::UpdateVerifier(QObject *parent, int waitMs)
    : QObject(parent)
    , m_waitMs(Timing::scaled(waitMs))
    , m_retryMs(Timing::scaled(kRetryMs))
{
    m_outcome.waitMinutes = waitMs / 60000;
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &UpdateVerifier::ask);
}

int UpdateVerifier::firmwareReadFlags(const DISPLAY_LIST_ENTRY &row)
{
    // As the search asks a display whose reply lacks the version.
    return isSeriesGroup2(row.udpSeries) ? TCP_REQ_FIRMWARE_LEGACY : TCP_REQ_FIRMWARE;
}

void UpdateVerifier::start(int row, const QHostAddress &address, int flags, const QString &expected,
                           const QString &previous)
{
    m_outcome.row = row;
    m_outcome.address = address;
    m_outcome.expected = expected.trimmed();
    m_outcome.previous = previous.trimmed();
    m_flags = flags;
    m_clock.start();
    // The display restarts after its update: the first question waits too.
    m_retryTimer.start(m_retryMs);
}

void UpdateVerifier::ask()
{
    m_client = new TcpClient(this);
    connect(m_client, &TcpClient::device_results, this, &UpdateVerifier::answered);
    m_client->SetRequestFlags(m_flags);
    m_client->Start(m_outcome.address, ControlProtocol::kPort, QHostAddress());
}

void UpdateVerifier::answered(const PD_TCP_REPLY &reply)
{
    m_client->disconnect(this);
    m_client->deleteLater();
    const QString firmware = reply.currentFirmware.trimmed();
    if (reply.tcpStatus == TcpStatus::Ok && !firmware.isEmpty())
        m_outcome.reported = firmware;
    // A display that refuses the command is asked with the older one, whose
    // exchange falls back to the newer one by itself: either set answers.
    if (reply.tcpStatus == TcpStatus::Refused)
        m_flags = TCP_REQ_FIRMWARE_LEGACY;
    if (reply.tcpStatus == TcpStatus::Ok && firmware == m_outcome.expected) {
        m_outcome.result = Verified;
    } else if (m_clock.elapsed() + m_retryMs <= m_waitMs) {
        m_retryTimer.start(m_retryMs);
        return;
    } else if (m_outcome.reported.isEmpty()) {
        m_outcome.result = NoAnswer;
    } else {
        m_outcome.result = m_outcome.reported == m_outcome.previous ? StillOld : OtherVersion;
    }
    emit finished(m_outcome);
}

QString UpdateVerifier::pendingText()
{
    return tr("Checking the firmware version that the display reports once it has restarted...");
}

QString UpdateVerifier::outcomeText(const Outcome &outcome)
{
    switch (outcome.result) {
    case Verified:
        return tr("Verified: the display reports %1", "1=firmware version").arg(outcome.reported);
    case StillOld:
        return tr("Warning: the display still reports %1 after the update.", "1=firmware version")
            .arg(outcome.reported);
    case OtherVersion:
        return tr("Warning: the display reports %1 after the update instead of %2.",
                  "1=reported firmware version 2=installed firmware version")
            .arg(outcome.reported, outcome.expected);
    default:
        return tr("Warning: the display did not answer within %1 minutes of the update; its firmware version "
                  "could not be checked.",
                  "1=minutes")
            .arg(outcome.waitMinutes);
    }
}

const char *UpdateVerifier::resultName(Result result)
{
    switch (result) {
    case Verified:
        return "verified";
    case StillOld:
        return "still the version before the update";
    case OtherVersion:
        return "another version";
    default:
        return "no answer";
    }
}

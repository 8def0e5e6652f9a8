#pragma once

#include "discovery/pdtcpreply.h"
#include "displaylist/displaylistentry.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

class TcpClient;

// Checks a display after its LAN update has ended "Complete.": the display
// restarts, so the check waits until it answers its control protocol again
// (asking every kRetryMs, for at most the wait given at construction) and
// then compares the firmware version it reports with the one the update
// installed. A display that still reports another version is asked again
// until the wait is over: it may answer once more before it restarts. The
// check reads and never changes anything; one object checks one display and
// reports exactly once through finished().
class UpdateVerifier : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultWaitMs = 600000;
    static constexpr int kRetryMs = 10000;

    enum Result { Verified, StillOld, OtherVersion, NoAnswer };

    struct Outcome
    {
        int row = -1;
        QHostAddress address;
        Result result = NoAnswer;
        QString reported; // the version the display reported last; empty when it never answered
        QString expected;
        QString previous;
        int waitMinutes = 0;
    };

    // The wait and the pause between questions go through Timing::scaled.
    explicit UpdateVerifier(QObject *parent = nullptr, int waitMs = kDefaultWaitMs);

    // The control request flag that reads a row's firmware version in the
    // command set of its series.
    static int firmwareReadFlags(const DISPLAY_LIST_ENTRY &row);

    void start(int row, const QHostAddress &address, int flags, const QString &expected, const QString &previous);

    // What the information panel says while the check runs, and after it.
    static QString pendingText();
    static QString outcomeText(const Outcome &outcome);
    // The outcome's name in the log.
    static const char *resultName(Result result);

signals:
    void finished(const UpdateVerifier::Outcome &outcome);

private:
    void ask();
    void answered(const PD_TCP_REPLY &reply);

    Outcome m_outcome;
    int m_flags = 0;
    int m_waitMs = 0;
    int m_retryMs = 0;
    QElapsedTimer m_clock;
    QTimer m_retryTimer;
    TcpClient *m_client = nullptr; // the exchange in flight, a child
};

Q_DECLARE_METATYPE(UpdateVerifier::Outcome)

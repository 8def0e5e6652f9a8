#pragma once

#include "simprotocol/controlresponder.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QVector>

class EventLog;

// The display's control service on TCP port 7142: decodes request frames as
// they arrive (a frame may come in pieces), answers each through
// `answerRequest`, applies the configured command faults, and logs every
// command and every change of the display's state.
class ControlServer : public QObject
{
    Q_OBJECT

public:
    ControlServer(const DisplayConfig &config, DisplayState &state, const EventLog &log,
                  QObject *parent = nullptr);

    bool listen(quint16 port, QString *error);

private:
    void accept();
    void readFrom(QTcpSocket *socket, QByteArray &buffer);
    void answer(QTcpSocket *socket, const ControlFrame::Frame &request);
    // The fault that hits `message`, counting it down; nullptr for none.
    const CommandFault *takeFault(const QByteArray &message);
    void logStateChanges(const DisplayState &before, const ControlFrame::Frame &request, const ControlAnswer &reply);
    QJsonObject baseEvent() const;

    const DisplayConfig &m_config;
    DisplayState &m_state;
    const EventLog &m_log;
    QTcpServer m_server;
    QVector<int> m_faultUses;
    QElapsedTimer m_clock;
};

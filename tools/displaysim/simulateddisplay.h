#pragma once

#include "displaysim/controlserver.h"
#include "displaysim/displaywebsite.h"
#include "displaysim/searchresponder.h"

// The ports a display's services listen on; tests may move them off the
// standard ones.
struct ServicePorts
{
    quint16 search = SearchDatagram::kPort;
    quint16 control = ControlFrame::kPort;
    quint16 http = 80;
};

// One simulated display: its configuration, its changing state and the
// three services (search, control, web) bound to its own address.
class SimulatedDisplay : public QObject
{
    Q_OBJECT

public:
    SimulatedDisplay(const DisplayConfig &config, const EventLog &log, QObject *parent = nullptr);

    // Binds every socket; false with a reason when one cannot be bound.
    bool start(const ServicePorts &ports, QString *error);

    const DisplayConfig &config() const { return m_config; }
    const DisplayState &state() const { return m_state; }

private:
    const DisplayConfig m_config;
    DisplayState m_state;
    SearchResponder m_search;
    ControlServer m_control;
    DisplayWebsite m_web;
};

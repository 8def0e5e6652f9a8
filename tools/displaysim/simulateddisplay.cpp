#include "displaysim/simulateddisplay.h"

SimulatedDisplay::SimulatedDisplay(const DisplayConfig &config, const EventLog &log, QObject *parent)
    : QObject(parent),
      m_config(config),
      m_state(DisplayState::initial(m_config)),
      m_search(m_config, m_state, log),
      m_control(m_config, m_state, log),
      m_web(m_config, m_state, log)
{
}

bool SimulatedDisplay::start(const ServicePorts &ports, QString *error)
{
    if (!m_search.bind(ports.search, error))
        return false;
    if (!m_config.refuseTcp && !m_control.listen(ports.control, error))
        return false;
    return m_web.listen(ports.http, error);
}

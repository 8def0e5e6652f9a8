#pragma once

#include "displaysim/simulateddisplay.h"

#include <memory>
#include <vector>

// All simulated displays of one run.
class Fleet
{
public:
    explicit Fleet(const EventLog &log) : m_log(log) {}

    // Creates and starts every display; stops at the first that cannot bind.
    bool start(const QList<DisplayConfig> &configs, const ServicePorts &ports, QString *error);
    int size() const { return int(m_displays.size()); }

private:
    const EventLog &m_log;
    std::vector<std::unique_ptr<SimulatedDisplay>> m_displays;
};

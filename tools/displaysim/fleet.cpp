#include "displaysim/fleet.h"

bool Fleet::start(const QList<DisplayConfig> &configs, const ServicePorts &ports, QString *error)
{
    m_displays.reserve(size_t(configs.size()));
    for (const DisplayConfig &c : configs) {
        m_displays.push_back(std::make_unique<SimulatedDisplay>(c, m_log));
        if (!m_displays.back()->start(ports, error))
            return false;
    }
    return true;
}

#include "discovery/laninterfaces.h"

namespace {

bool hasIPv4Form(const QHostAddress &address)
{
    bool ok = false;
    return address.toIPv4Address(&ok) != 0 && ok;
}

bool isUsable(const NetworkInterfaceDescription &iface)
{
    const bool broadcastCapable = iface.type == QNetworkInterface::Ethernet
        || iface.type == QNetworkInterface::Wifi;
    return iface.valid && iface.flags.testFlag(QNetworkInterface::IsUp) && broadcastCapable
        && !iface.flags.testFlag(QNetworkInterface::IsLoopBack);
}

bool containsAddress(const LanInterfaceList &list, const QHostAddress &address)
{
    for (const LanInterfaceInfo &entry : list) {
        if (entry.address == address)
            return true;
    }
    return false;
}

}

NetworkInterfaceDescription NetworkInterfaceDescription::from(const QNetworkInterface &iface)
{
    NetworkInterfaceDescription d;
    d.humanReadableName = iface.humanReadableName();
    d.valid = iface.isValid();
    d.flags = iface.flags();
    d.type = iface.type();
    d.addressEntries = iface.addressEntries();
    return d;
}

namespace LanInterfaces {

LanInterfaceList build(const QList<NetworkInterfaceDescription> &interfaces)
{
    LanInterfaceList list;
    for (const NetworkInterfaceDescription &iface : interfaces) {
        if (!isUsable(iface))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries) {
            if (!hasIPv4Form(entry.ip()) || !hasIPv4Form(entry.netmask()))
                continue;
            if (containsAddress(list, entry.ip()))
                continue;
            list.append({iface.humanReadableName, entry.ip(), entry.broadcast(), true});
        }
    }
    return list;
}

LanInterfaceList fromSystem()
{
    QList<NetworkInterfaceDescription> descriptions;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        descriptions.append(NetworkInterfaceDescription::from(iface));
    return build(descriptions);
}

QList<QHostAddress> allBroadcastAddresses(const LanInterfaceList &list)
{
    QList<QHostAddress> result;
    for (const LanInterfaceInfo &entry : list) {
        if (!entry.broadcast.isNull() && !result.contains(entry.broadcast))
            result.append(entry.broadcast);
    }
    return result;
}

LanInterfaceInfo interfaceAt(const LanInterfaceList &list, int index)
{
    return (index >= 0 && index < list.size()) ? list.at(index) : LanInterfaceInfo();
}

}

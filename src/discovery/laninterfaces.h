#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <QString>

// One LAN interface usable for a broadcast search: one of its IPv4
// addresses with the matching broadcast address.
struct LanInterfaceInfo
{
    QString name;
    QHostAddress address;
    QHostAddress broadcast;
    bool up = false;
};

using LanInterfaceList = QList<LanInterfaceInfo>;

// What the interface list needs to know about one system interface. The
// system's QNetworkInterface objects cannot be made up in a test, so the
// list is built from these plain descriptions instead.
struct NetworkInterfaceDescription
{
    QString humanReadableName;
    bool valid = false;
    QNetworkInterface::InterfaceFlags flags;
    QNetworkInterface::InterfaceType type = QNetworkInterface::Unknown;
    QList<QNetworkAddressEntry> addressEntries;

    static NetworkInterfaceDescription from(const QNetworkInterface &iface);
};

namespace LanInterfaces {

// The usable entries, in the given order: interfaces that are valid, up,
// Ethernet or Wi-Fi and not loopback; one entry per distinct IPv4 address
// whose netmask is IPv4 too.
LanInterfaceList build(const QList<NetworkInterfaceDescription> &interfaces);

// The list for this machine's interfaces, in the order the system lists them.
LanInterfaceList fromSystem();

// The distinct non-null broadcast addresses, in list order.
QList<QHostAddress> allBroadcastAddresses(const LanInterfaceList &list);

// A copy of the entry, or an entry with null addresses outside the list.
LanInterfaceInfo interfaceAt(const LanInterfaceList &list, int index);

}

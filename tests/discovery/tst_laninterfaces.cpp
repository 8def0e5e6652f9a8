#include "discovery/laninterfaces.h"

#include <QtTest>

namespace {

QNetworkAddressEntry entry(const char *ip, const char *netmask, const char *broadcast = nullptr)
{
    QNetworkAddressEntry e;
    e.setIp(QHostAddress(QLatin1String(ip)));
    e.setNetmask(QHostAddress(QLatin1String(netmask)));
    if (broadcast)
        e.setBroadcast(QHostAddress(QLatin1String(broadcast)));
    return e;
}

NetworkInterfaceDescription iface(const char *name, const QList<QNetworkAddressEntry> &entries,
                                  QNetworkInterface::InterfaceType type = QNetworkInterface::Ethernet,
                                  QNetworkInterface::InterfaceFlags flags = QNetworkInterface::IsUp, bool valid = true)
{
    return {QLatin1String(name), valid, flags, type, entries};
}

}

// Which interfaces and addresses a broadcast search uses.
class tst_LanInterfaces : public QObject
{
    Q_OBJECT

private slots:
    void usableInterfacesAndAddresses();
};

void tst_LanInterfaces::usableInterfacesAndAddresses()
{
    const QNetworkAddressEntry lan = entry("192.168.1.5", "255.255.255.0", "192.168.1.255");
    const LanInterfaceList list = LanInterfaces::build({
        iface("eth0", {entry("fe80::1", "ffff:ffff:ffff:ffff::"), lan, entry("0.0.0.0", "255.0.0.0"),
                       entry("10.0.0.3", "0.0.0.0"), entry("10.0.0.4", "255.0.0.0"),
                       entry("192.168.1.6", "255.255.255.0", "192.168.1.255")}),
        iface("wlan0", {lan, entry("172.16.0.1", "255.255.0.0", "172.16.255.255")}, QNetworkInterface::Wifi),
        iface("down", {entry("10.1.0.1", "255.0.0.0")}, QNetworkInterface::Ethernet, {}),
        iface("lo", {entry("10.2.0.1", "255.0.0.0")}, QNetworkInterface::Loopback),
        iface("loopback flag", {entry("10.3.0.1", "255.0.0.0")}, QNetworkInterface::Ethernet,
              QNetworkInterface::IsUp | QNetworkInterface::IsLoopBack),
        iface("tun0", {entry("10.4.0.1", "255.0.0.0")}, QNetworkInterface::Virtual),
        iface("invalid", {entry("10.5.0.1", "255.0.0.0")}, QNetworkInterface::Ethernet, QNetworkInterface::IsUp, false),
    });
    QStringList shown;
    for (const LanInterfaceInfo &info : list)
        shown << QStringLiteral("%1 %2 %3 %4").arg(info.name, info.address.toString(), info.broadcast.toString()).arg(info.up);
    QCOMPARE(shown, QStringList({"eth0 192.168.1.5 192.168.1.255 1", "eth0 10.0.0.4  1",
                                 "eth0 192.168.1.6 192.168.1.255 1", "wlan0 172.16.0.1 172.16.255.255 1"}));
    QCOMPARE(LanInterfaces::allBroadcastAddresses(list),
             QList<QHostAddress>({QHostAddress("192.168.1.255"), QHostAddress("172.16.255.255")}));
    QCOMPARE(LanInterfaces::interfaceAt(list, 3).name, QStringLiteral("wlan0"));
    for (const int outside : {-1, 4})
        QVERIFY(LanInterfaces::interfaceAt(list, outside).address.isNull());
}

QTEST_GUILESS_MAIN(tst_LanInterfaces)
#include "tst_laninterfaces.moc"

#include "discovery/laninterfaces.h"

#include <QtTest>

// Which interfaces and addresses a broadcast search uses.
class tst_LanInterfaces : public QObject
{
    Q_OBJECT

private slots:
    void usableInterfacesAndAddresses();
};

void tst_LanInterfaces::usableInterfacesAndAddresses()
{
    const auto entry = [](const char *ip, const char *netmask, const char *broadcast = nullptr) {
        QNetworkAddressEntry e;
        e.setIp(QHostAddress(QLatin1String(ip)));
        e.setNetmask(QHostAddress(QLatin1String(netmask)));
        e.setBroadcast(broadcast ? QHostAddress(QLatin1String(broadcast)) : QHostAddress());
        return e;
    };
    const auto iface = [&](const char *name, QNetworkInterface::InterfaceType type = QNetworkInterface::Ethernet,
                           QNetworkInterface::InterfaceFlags flags = QNetworkInterface::IsUp, bool valid = true) {
        return NetworkInterfaceDescription{QLatin1String(name), valid, flags, type, {entry("10.9.0.1", "255.0.0.0")}};
    };
    const QNetworkAddressEntry lan = entry("192.168.1.5", "255.255.255.0", "192.168.1.255");
    NetworkInterfaceDescription eth0 = iface("eth0"), wlan0 = iface("wlan0", QNetworkInterface::Wifi);
    eth0.addressEntries = {entry("fe80::1", "ffff:ffff:ffff:ffff::"), lan, entry("0.0.0.0", "255.0.0.0"),
                           entry("10.0.0.3", "0.0.0.0"), entry("10.0.0.4", "255.0.0.0"),
                           entry("192.168.1.6", "255.255.255.0", "192.168.1.255")};
    wlan0.addressEntries = {lan, entry("172.16.0.1", "255.255.0.0", "172.16.255.255")}; // the first one is taken
    const LanInterfaceList list = LanInterfaces::build(
        {eth0, wlan0, iface("down", QNetworkInterface::Ethernet, {}), iface("lo", QNetworkInterface::Loopback),
         iface("loopback flag", QNetworkInterface::Ethernet, QNetworkInterface::IsUp | QNetworkInterface::IsLoopBack),
         iface("tun0", QNetworkInterface::Virtual), iface("invalid", QNetworkInterface::Ethernet, QNetworkInterface::IsUp, false)});
    QStringList shown;
    for (const LanInterfaceInfo &info : list)
        shown << QStringLiteral("%1 %2 %3 %4").arg(info.name, info.address.toString(), info.broadcast.toString()).arg(info.up);
    QCOMPARE(shown, QStringList({"eth0 192.168.1.5 192.168.1.255 1", "eth0 10.0.0.4  1", "eth0 192.168.1.6 192.168.1.255 1",
                                 "wlan0 172.16.0.1 172.16.255.255 1"}));
    QCOMPARE(LanInterfaces::allBroadcastAddresses(list),
             QList<QHostAddress>({QHostAddress("192.168.1.255"), QHostAddress("172.16.255.255")}));
    QVERIFY(LanInterfaces::interfaceAt(list, 3).name == "wlan0" && LanInterfaces::interfaceAt(list, 4).address.isNull());
    QVERIFY(LanInterfaces::interfaceAt(list, -1).address.isNull());
}

QTEST_GUILESS_MAIN(tst_LanInterfaces)
#include "tst_laninterfaces.moc"

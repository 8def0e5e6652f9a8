#include "discovery/laninterfaces.h"

#include <QtTest>

Q_DECLARE_METATYPE(NetworkInterfaceDescription)

namespace {

QNetworkAddressEntry entry(const char *ip, const char *netmask, const char *broadcast)
{
    QNetworkAddressEntry e;
    e.setIp(QHostAddress(QLatin1String(ip)));
    e.setNetmask(QHostAddress(QLatin1String(netmask)));
    if (broadcast)
        e.setBroadcast(QHostAddress(QLatin1String(broadcast)));
    return e;
}

NetworkInterfaceDescription iface(const char *name, QList<QNetworkAddressEntry> entries,
                                  QNetworkInterface::InterfaceType type = QNetworkInterface::Ethernet,
                                  QNetworkInterface::InterfaceFlags flags = QNetworkInterface::IsUp
                                      | QNetworkInterface::CanBroadcast)
{
    NetworkInterfaceDescription d;
    d.humanReadableName = QLatin1String(name);
    d.valid = true;
    d.flags = flags;
    d.type = type;
    d.addressEntries = entries;
    return d;
}

QStringList names(const LanInterfaceList &list)
{
    QStringList result;
    for (const LanInterfaceInfo &info : list)
        result << info.name + QLatin1Char('=') + info.address.toString();
    return result;
}

}

class tst_LanInterfaces : public QObject
{
    Q_OBJECT

private slots:
    void keepsOnlyUsableInterfaces_data();
    void keepsOnlyUsableInterfaces();
    void skipsAddressesWithoutIPv4FormAndDuplicates();
    void broadcastAddressesAreDistinct();
    void interfaceAtOutsideTheListIsEmpty();
};

void tst_LanInterfaces::keepsOnlyUsableInterfaces_data()
{
    QTest::addColumn<NetworkInterfaceDescription>("description");
    QTest::addColumn<bool>("kept");

    const QList<QNetworkAddressEntry> v4{entry("192.168.1.5", "255.255.255.0", "192.168.1.255")};
    QTest::newRow("ethernet up") << iface("eth0", v4) << true;
    QTest::newRow("wifi up") << iface("wlan0", v4, QNetworkInterface::Wifi) << true;
    QTest::newRow("down") << iface("eth1", v4, QNetworkInterface::Ethernet, {}) << false;
    QTest::newRow("loopback type") << iface("lo", v4, QNetworkInterface::Loopback) << false;
    QTest::newRow("loopback flag")
        << iface("lo", v4, QNetworkInterface::Ethernet,
                 QNetworkInterface::IsUp | QNetworkInterface::IsLoopBack)
        << false;
    QTest::newRow("virtual") << iface("tun0", v4, QNetworkInterface::Virtual) << false;
    NetworkInterfaceDescription invalid = iface("eth2", v4);
    invalid.valid = false;
    QTest::newRow("invalid") << invalid << false;
}

void tst_LanInterfaces::keepsOnlyUsableInterfaces()
{
    QFETCH(NetworkInterfaceDescription, description);
    QFETCH(bool, kept);
    const LanInterfaceList list = LanInterfaces::build({description});
    QCOMPARE(list.size(), kept ? 1 : 0);
    if (kept) {
        QCOMPARE(list.first().name, description.humanReadableName);
        QCOMPARE(list.first().address, QHostAddress(QStringLiteral("192.168.1.5")));
        QCOMPARE(list.first().broadcast, QHostAddress(QStringLiteral("192.168.1.255")));
        QVERIFY(list.first().up);
    }
}

void tst_LanInterfaces::skipsAddressesWithoutIPv4FormAndDuplicates()
{
    const auto list = LanInterfaces::build({
        iface("eth0", {entry("fe80::1", "ffff:ffff:ffff:ffff::", nullptr),
                       entry("10.0.0.2", "255.0.0.0", "10.255.255.255"),
                       entry("0.0.0.0", "255.0.0.0", nullptr),
                       entry("10.0.0.3", "0.0.0.0", nullptr)}),
        iface("eth1", {entry("10.0.0.2", "255.0.0.0", "10.255.255.255"),
                       entry("172.16.0.1", "255.255.0.0", "172.16.255.255")}),
    });
    QCOMPARE(names(list), (QStringList{QStringLiteral("eth0=10.0.0.2"),
                                       QStringLiteral("eth1=172.16.0.1")}));
}

void tst_LanInterfaces::broadcastAddressesAreDistinct()
{
    const auto list = LanInterfaces::build({
        iface("eth0", {entry("10.0.0.2", "255.0.0.0", "10.255.255.255"),
                       entry("10.0.0.3", "255.0.0.0", "10.255.255.255")}),
        iface("eth1", {entry("192.168.3.1", "255.255.255.0", nullptr)}),
        iface("eth2", {entry("192.168.4.1", "255.255.255.0", "192.168.4.255")}),
    });
    QCOMPARE(list.size(), 4);
    QCOMPARE(LanInterfaces::allBroadcastAddresses(list),
             (QList<QHostAddress>{QHostAddress(QStringLiteral("10.255.255.255")),
                                  QHostAddress(QStringLiteral("192.168.4.255"))}));
}

void tst_LanInterfaces::interfaceAtOutsideTheListIsEmpty()
{
    const auto list = LanInterfaces::build(
        {iface("eth0", {entry("10.0.0.2", "255.0.0.0", "10.255.255.255")})});
    QCOMPARE(LanInterfaces::interfaceAt(list, 0).name, QStringLiteral("eth0"));
    for (int index : {-1, 1, 100}) {
        const LanInterfaceInfo info = LanInterfaces::interfaceAt(list, index);
        QVERIFY(info.name.isEmpty());
        QVERIFY(info.address.isNull());
        QVERIFY(info.broadcast.isNull());
    }
    QVERIFY(LanInterfaces::allBroadcastAddresses({}).isEmpty());
}

QTEST_GUILESS_MAIN(tst_LanInterfaces)
#include "tst_laninterfaces.moc"

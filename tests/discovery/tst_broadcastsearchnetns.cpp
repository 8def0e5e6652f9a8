#include "app/timing.h"
#include "discovery/displaysearchudp.h"
#include "discovery/laninterfaces.h"

#include "simulatorprocess.h"

#include <QtTest>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

// Which interfaces and addresses a broadcast search uses, and a broadcast search across a veth pair between two
// network namespaces that the test creates: the display simulator runs inside one, the search wholly inside the other,
// from that namespace's interface list, so nothing reaches the machine's own network. The namespaces are deleted at
// the end, also when the test fails.
namespace {

const QString kSubnet = QStringLiteral("10.231.7.");

// Runs `ip` with blank-separated arguments; tells why it failed, or nothing.
QString ip(const QString &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments.split(QLatin1Char(' ')));
    if (process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    return QStringLiteral("ip %1: %2").arg(arguments, QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
}

// Moves this thread into a network namespace made by `ip netns add`, or with an empty name back into the one it
// started in. Sockets stay in the namespace they were made in.
bool enter(const QString &netns)
{
    static const int own = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int fd = netns.isEmpty() ? own : ::open(qPrintable("/run/netns/" + netns), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0 && fd != own)
        ::close(fd);
    return entered;
}

}

class tst_BroadcastSearchNetns : public QObject
{
    Q_OBJECT

private slots:
    void usableInterfacesAndAddresses();
    void broadcastSearchAcrossVethPair();
};

void tst_BroadcastSearchNetns::usableInterfacesAndAddresses()
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

void tst_BroadcastSearchNetns::broadcastSearchAcrossVethPair()
{
    if (geteuid() != 0)
        QSKIP("Creating network namespaces needs root; this test runs in CI as root.");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("The ip tool (iproute2) is not installed.");
    QVERIFY(enter(QString()));

    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString app = "vdfu-udp-app-" + pid, displays = "vdfu-udp-disp-" + pid;
    // Deleting a namespace deletes its end of the veth pair, and with it the other end.
    const auto removeNamespaces = qScopeGuard([&] { ip("netns delete " + app); ip("netns delete " + displays); });
    const QString setup = QStringLiteral("netns add %1|netns add %2|-n %1 link add vua%3 type veth peer name vud%3 netns %2|"
                                         "-n %1 addr add %4/24 brd + dev vua%3|-n %2 addr add %5/24 brd + dev vud%3|"
                                         "-n %2 addr add %6/24 brd + dev vud%3|-n %1 link set vua%3 up|-n %1 link set lo up|"
                                         "-n %2 link set vud%3 up|-n %2 link set lo up")
                              .arg(app, displays, pid, kSubnet + "1", kSubnet + "2", kSubnet + "3");
    for (const QString &command : setup.split(QLatin1Char('|'))) {
        const QString error = ip(command);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    const auto leave = qScopeGuard([] { enter(QString()); });

    // The displays in their namespace, the first asking for acknowledgements.
    QVERIFY(enter(displays));
    SimulatorProcess sim;
    QJsonArray fleet;
    for (const int host : {2, 3})
        fleet.append(QJsonObject{{"address", QString(kSubnet + QString::number(host))},
                                 {"broadcastAddress", QString(kSubnet + "255")}, {"udpReplyType", host == 2 ? 2 : 8}});
    QVERIFY2(sim.start(fleet), qPrintable(sim.errorString()));

    // The search, with the broadcast address of the namespace's only LAN interface.
    QVERIFY(enter(app));
    const QList<QHostAddress> broadcast = LanInterfaces::allBroadcastAddresses(LanInterfaces::fromSystem());
    QCOMPARE(broadcast, QList<QHostAddress>{QHostAddress(kSubnet + "255")});
    Timing::setScale(0.2); // a search of 4 ticks: 0.8 s
    DisplaySearchUDP search;
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    QSignalSpy results(&search, &DisplaySearchUDP::device_results);
    QSignalSpy finished(&search, &DisplaySearchUDP::finished);
    QCOMPARE(search.SetBroadcastAddressList(broadcast), 0);
    QCOMPARE(search.StartSearch(DisplaySearchUDP::SearchBroadcast), 0);
    QVERIFY(finished.wait(10000));
    QCOMPARE(results.count(), 2); // one record for each display
    // The broadcast and its repeat each answered and acknowledged across the pair.
    QTRY_COMPARE_WITH_TIMEOUT(sim.events(QStringLiteral("udpAcknowledgement")).size(), 2, 5000);
}

QTEST_GUILESS_MAIN(tst_BroadcastSearchNetns)
#include "tst_broadcastsearchnetns.moc"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>

#include <unistd.h>

// A broadcast search across a veth pair between two network namespaces that
// the test creates: the search runs in one (in a helper process, taking its
// broadcast address from that namespace's interface list), the displays in
// the other. Nothing touches the machine's own network namespace, and the
// namespaces are deleted at the end, also when the test fails.
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

// The helper program inside a namespace; collects its JSON output lines.
struct Helper : QProcess
{
    Helper(const QString &netns, const QStringList &arguments)
    {
        start(QStringLiteral("ip"), QStringList{"netns", "exec", netns, VDFU_SEARCH_HELPER} + arguments);
    }
    ~Helper() override
    {
        kill();
        waitForFinished(5000);
    }
    QList<QJsonObject> events(const QString &event)
    {
        while (canReadLine())
            m_lines << QJsonDocument::fromJson(readLine()).object();
        QList<QJsonObject> found;
        for (const QJsonObject &line : std::as_const(m_lines)) {
            if (line.value(QStringLiteral("event")).toString() == event)
                found << line;
        }
        return found;
    }
    QList<QJsonObject> m_lines;
};

}

class tst_BroadcastSearchNetns : public QObject
{
    Q_OBJECT

private slots:
    void broadcastSearchAcrossVethPair();
};

void tst_BroadcastSearchNetns::broadcastSearchAcrossVethPair()
{
    if (geteuid() != 0)
        QSKIP("Creating network namespaces needs root; this test runs in CI as root.");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("The ip tool (iproute2) is not installed.");

    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString app = QStringLiteral("vdfu-udp-app-") + pid;
    const QString displayNs = QStringLiteral("vdfu-udp-disp-") + pid;
    const QStringList displayAddresses{kSubnet + "2", kSubnet + "3", kSubnet + "4"};
    // Deleting a namespace deletes its end of the veth pair, and with it the other end.
    const auto removeNamespaces = qScopeGuard([&] { ip("netns delete " + app); ip("netns delete " + displayNs); });
    QStringList setup{"netns add " + app, "netns add " + displayNs,
                      QStringLiteral("-n %1 link add vua%2 type veth peer name vud%2 netns %3").arg(app, pid, displayNs),
                      QStringLiteral("-n %1 addr add %2/24 brd + dev vua%3").arg(app, kSubnet + "1", pid)};
    for (const QString &address : displayAddresses)
        setup << QStringLiteral("-n %1 addr add %2/24 brd + dev vud%3").arg(displayNs, address, pid);
    setup << QStringLiteral("-n %1 link set vua%2 up").arg(app, pid) << QStringLiteral("-n %1 link set lo up").arg(app)
          << QStringLiteral("-n %1 link set vud%2 up").arg(displayNs, pid) << QStringLiteral("-n %1 link set lo up").arg(displayNs);
    for (const QString &command : std::as_const(setup)) {
        const QString error = ip(command);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    Helper displays(displayNs, QStringList{"displays", kSubnet + "255"} + displayAddresses);
    QTRY_VERIFY2_WITH_TIMEOUT(!displays.events(QStringLiteral("ready")).isEmpty(), displays.readAllStandardError().constData(), 15000);
    Helper search(app, {"search", "200"});
    QTRY_VERIFY2_WITH_TIMEOUT(!search.events(QStringLiteral("finished")).isEmpty(), search.readAllStandardError().constData(), 15000);

    QCOMPARE(search.events(QStringLiteral("interfaces")).value(0).value("broadcast").toVariant().toStringList(),
             QStringList{kSubnet + "255"});
    QStringList found;
    for (const QJsonObject &record : search.events(QStringLiteral("display"))) {
        found << record.value("address").toString();
        QCOMPARE(record.value("modelName").toString(), QString("NS-" + found.last().section(QLatin1Char('.'), 3)));
    }
    found.sort();
    QCOMPARE(found, displayAddresses);
    QCOMPARE(search.events(QStringLiteral("finished")).at(0).value("found").toInt(), 3);

    // Each display heard the broadcast twice (first request and repeat), and
    // the one that asked for acknowledgements got one per reply.
    QTRY_COMPARE_WITH_TIMEOUT(displays.events(QStringLiteral("request")).size(), 6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(displays.events(QStringLiteral("acknowledgement")).size(), 2, 5000);
    for (const QJsonObject &ack : displays.events(QStringLiteral("acknowledgement")))
        QCOMPARE(ack.value("display").toString(), displayAddresses.at(0));
}

QTEST_GUILESS_MAIN(tst_BroadcastSearchNetns)
#include "tst_broadcastsearchnetns.moc"

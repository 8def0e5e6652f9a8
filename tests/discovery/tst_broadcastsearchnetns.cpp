#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
constexpr int kHelperWaitMs = 15000;

// Runs `ip` and reports its error output on failure.
bool ip(const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = QStringLiteral("ip %1: %2")
                     .arg(arguments.join(QLatin1Char(' ')),
                          QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

// The two namespaces and the veth pair between them; deleting a namespace
// deletes its end of the pair, and with it the other end.
class NamespacePair
{
public:
    NamespacePair()
        : app(QStringLiteral("vdfu-udp-app-%1").arg(QCoreApplication::applicationPid()))
        , displays(QStringLiteral("vdfu-udp-disp-%1").arg(QCoreApplication::applicationPid()))
    {
    }
    ~NamespacePair()
    {
        QString ignored;
        for (const QString &name : std::as_const(m_created))
            ip({QStringLiteral("netns"), QStringLiteral("delete"), name}, &ignored);
    }

    bool create(const QStringList &displayAddresses, QString *error)
    {
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString appLink = QStringLiteral("vua") + pid;
        const QString displayLink = QStringLiteral("vud") + pid;
        for (const QString &name : {app, displays}) {
            if (!ip({QStringLiteral("netns"), QStringLiteral("add"), name}, error))
                return false;
            m_created << name;
        }
        if (!ip({QStringLiteral("-n"), app, QStringLiteral("link"), QStringLiteral("add"), appLink,
                 QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"),
                 QStringLiteral("name"), displayLink, QStringLiteral("netns"), displays},
                error))
            return false;
        if (!ip({QStringLiteral("-n"), app, QStringLiteral("addr"), QStringLiteral("add"),
                 kSubnet + QStringLiteral("1/24"), QStringLiteral("brd"), QStringLiteral("+"),
                 QStringLiteral("dev"), appLink},
                error))
            return false;
        for (const QString &address : displayAddresses) {
            if (!ip({QStringLiteral("-n"), displays, QStringLiteral("addr"), QStringLiteral("add"),
                     address + QStringLiteral("/24"), QStringLiteral("brd"), QStringLiteral("+"),
                     QStringLiteral("dev"), displayLink},
                    error))
                return false;
        }
        for (const auto &[name, link] : {std::pair{app, appLink}, std::pair{displays, displayLink}}) {
            if (!ip({QStringLiteral("-n"), name, QStringLiteral("link"), QStringLiteral("set"), link,
                     QStringLiteral("up")},
                    error)
                || !ip({QStringLiteral("-n"), name, QStringLiteral("link"), QStringLiteral("set"),
                        QStringLiteral("lo"), QStringLiteral("up")},
                       error))
                return false;
        }
        return true;
    }

    const QString app;
    const QString displays;

private:
    QStringList m_created;
};

// A helper process inside a namespace whose JSON output lines are collected.
class HelperProcess
{
public:
    void start(const QString &netns, const QStringList &arguments)
    {
        m_process.start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                                          netns, QStringLiteral(VDFU_SEARCH_HELPER)}
                                                  + arguments);
    }
    ~HelperProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits for a line with this event, at most `timeoutMs`.
    bool waitFor(const QString &event, int timeoutMs = kHelperWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!has(event)) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            if (m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                collect();
        }
        return true;
    }

    QList<QJsonObject> events(const QString &event)
    {
        collect();
        QList<QJsonObject> found;
        for (const QJsonObject &line : std::as_const(m_lines)) {
            if (line.value(QStringLiteral("event")).toString() == event)
                found << line;
        }
        return found;
    }

    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    bool has(const QString &event) { return !events(event).isEmpty(); }
    void collect()
    {
        while (m_process.canReadLine())
            m_lines << QJsonDocument::fromJson(m_process.readLine()).object();
    }

    QProcess m_process;
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

    const QStringList displayAddresses{kSubnet + QStringLiteral("2"), kSubnet + QStringLiteral("3"),
                                       kSubnet + QStringLiteral("4")};
    NamespacePair namespaces;
    QString error;
    QVERIFY2(namespaces.create(displayAddresses, &error), qPrintable(error));

    HelperProcess displays;
    displays.start(namespaces.displays,
                   QStringList{QStringLiteral("displays"), kSubnet + QStringLiteral("255")} + displayAddresses);
    QVERIFY2(displays.waitFor(QStringLiteral("ready")), qPrintable(displays.errors()));

    HelperProcess search;
    search.start(namespaces.app, {QStringLiteral("search"), QStringLiteral("--tick"), QStringLiteral("200")});
    QVERIFY2(search.waitFor(QStringLiteral("finished")), qPrintable(search.errors()));

    const QList<QJsonObject> interfaces = search.events(QStringLiteral("interfaces"));
    QCOMPARE(interfaces.size(), 1);
    QCOMPARE(interfaces.at(0).value(QStringLiteral("broadcast")).toVariant().toStringList(),
             QStringList{kSubnet + QStringLiteral("255")});

    QStringList found;
    const QList<QJsonObject> records = search.events(QStringLiteral("display"));
    for (const QJsonObject &record : records) {
        const QString address = record.value(QStringLiteral("address")).toString();
        found << address;
        QCOMPARE(record.value(QStringLiteral("modelName")).toString(),
                 QStringLiteral("NS-") + address.section(QLatin1Char('.'), 3));
    }
    found.sort();
    QCOMPARE(found, displayAddresses);
    QCOMPARE(search.events(QStringLiteral("finished")).at(0).value(QStringLiteral("found")).toInt(), 3);

    // Each display heard the broadcast twice (first request and repeat), and
    // the one that asked for acknowledgements got one per reply.
    QTRY_COMPARE_WITH_TIMEOUT(displays.events(QStringLiteral("request")).size(), 6, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(displays.events(QStringLiteral("acknowledgement")).size(), 2, 5000);
    for (const QJsonObject &ack : displays.events(QStringLiteral("acknowledgement")))
        QCOMPARE(ack.value(QStringLiteral("display")).toString(), displayAddresses.at(0));
}

QTEST_GUILESS_MAIN(tst_BroadcastSearchNetns)
#include "tst_broadcastsearchnetns.moc"

// Broadcast search across a real link: two network namespaces joined by a
// veth pair that this test creates and removes. The simulator runs in one,
// the searching socket in the other. Skipped where namespaces cannot be made
// (not root, no `ip`).

#include "simulatorprocess.h"

#include "simprotocol/searchdatagram.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QNetworkDatagram>
#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

bool run(const QStringList &command, QString *error)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = command.join(QLatin1Char(' ')) + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll()).trimmed();
        return false;
    }
    return true;
}

// Two namespaces, "app" (10.77.0.1/24) and "displays" (10.77.0.2 and .3),
// joined by a veth pair. Removed again on destruction.
class NamespacePair
{
public:
    NamespacePair()
        : app(QStringLiteral("vdfusim-a%1").arg(QCoreApplication::applicationPid())),
          displays(QStringLiteral("vdfusim-d%1").arg(QCoreApplication::applicationPid()))
    {
    }
    ~NamespacePair() { remove(); }

    bool create(QString *error)
    {
        const QString a = QStringLiteral("vsa%1").arg(QCoreApplication::applicationPid());
        const QString d = QStringLiteral("vsd%1").arg(QCoreApplication::applicationPid());
        const QString ip = QStringLiteral("ip");
        const QList<QStringList> steps{
            {ip, QStringLiteral("netns"), QStringLiteral("add"), app},
            {ip, QStringLiteral("netns"), QStringLiteral("add"), displays},
            {ip, QStringLiteral("-n"), app, QStringLiteral("link"), QStringLiteral("add"), a, QStringLiteral("type"),
             QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), d, QStringLiteral("netns"), displays},
            {ip, QStringLiteral("-n"), app, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.0.1/24"),
             QStringLiteral("brd"), QStringLiteral("+"), QStringLiteral("dev"), a},
            {ip, QStringLiteral("-n"), displays, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.0.2/24"),
             QStringLiteral("brd"), QStringLiteral("+"), QStringLiteral("dev"), d},
            {ip, QStringLiteral("-n"), displays, QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.0.3/24"),
             QStringLiteral("brd"), QStringLiteral("+"), QStringLiteral("dev"), d},
            {ip, QStringLiteral("-n"), app, QStringLiteral("link"), QStringLiteral("set"), a, QStringLiteral("up")},
            {ip, QStringLiteral("-n"), displays, QStringLiteral("link"), QStringLiteral("set"), d, QStringLiteral("up")},
        };
        for (const QStringList &step : steps) {
            if (!run(step, error))
                return false;
            m_created = true;
        }
        return true;
    }

    void remove()
    {
        if (!m_created)
            return;
        QString ignored;
        run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("del"), app}, &ignored);
        run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("del"), displays}, &ignored);
        m_created = false;
    }

    const QString app;
    const QString displays;

private:
    bool m_created = false;
};

// Moves the calling thread into a named network namespace for its lifetime;
// sockets created meanwhile stay in that namespace.
class InNamespace
{
public:
    explicit InNamespace(const QString &name)
    {
        m_home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target = ::open(qPrintable(QStringLiteral("/var/run/netns/") + name), O_RDONLY | O_CLOEXEC);
        m_entered = m_home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
        if (target >= 0)
            ::close(target);
    }
    ~InNamespace()
    {
        if (m_entered)
            ::setns(m_home, CLONE_NEWNET);
        if (m_home >= 0)
            ::close(m_home);
    }
    bool entered() const { return m_entered; }

private:
    int m_home = -1;
    bool m_entered = false;
};

} // namespace

class tst_DisplaySimNetns : public QObject
{
    Q_OBJECT

private slots:
    void broadcastSearchReachesEveryDisplay();
};

void tst_DisplaySimNetns::broadcastSearchReachesEveryDisplay()
{
    if (::geteuid() != 0)
        QSKIP("network namespaces need root");
    NamespacePair namespaces;
    QString error;
    if (!namespaces.create(&error))
        QSKIP(qPrintable(QStringLiteral("cannot create network namespaces: ") + error));

    SimulatorProcess sim;
    sim.setCommandPrefix({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), namespaces.displays});
    const QString broadcast = QStringLiteral("10.77.0.255");
    QVERIFY2(sim.start(QJsonArray{
                 QJsonObject{{QStringLiteral("address"), QStringLiteral("10.77.0.2")}, {QStringLiteral("modelName"), QStringLiteral("NS-A")},
                             {QStringLiteral("broadcastAddress"), broadcast}},
                 QJsonObject{{QStringLiteral("address"), QStringLiteral("10.77.0.3")}, {QStringLiteral("modelName"), QStringLiteral("NS-B")},
                             {QStringLiteral("broadcastAddress"), broadcast}, {QStringLiteral("udpReplyType"), 2}}}),
             qPrintable(sim.errorString()));

    QUdpSocket client;
    {
        InNamespace inApp(namespaces.app);
        QVERIFY(inApp.entered());
        QVERIFY(client.bind(QHostAddress::AnyIPv4, 0));
    }
    SearchDatagram::Request request;
    request.sequence = 0x2222;
    request.requestType = SearchDatagram::kRequestBroadcast;
    request.filterB = 0x100;
    QCOMPARE(client.writeDatagram(SearchDatagram::encodeRequest(request), QHostAddress(broadcast), SearchDatagram::kPort),
             qint64(SearchDatagram::kRequestSize));

    QStringList models;
    for (int i = 0; i < 2 && (client.hasPendingDatagrams() || client.waitForReadyRead(5000)); ++i) {
        const QNetworkDatagram d = client.receiveDatagram();
        QCOMPARE(d.data().size(), SearchDatagram::kReplySize);
        models << QString::fromLatin1(d.data().mid(96, 4)) + QLatin1Char('@') + d.senderAddress().toString();
    }
    models.sort();
    QCOMPARE(models, (QStringList{QStringLiteral("NS-A@10.77.0.2"), QStringLiteral("NS-B@10.77.0.3")}));
    QVERIFY(sim.waitForEvent(QStringLiteral("udpRequest"), {{QStringLiteral("display"), QStringLiteral("10.77.0.3")},
                                                            {QStringLiteral("broadcast"), true},
                                                            {QStringLiteral("from"), QStringLiteral("10.77.0.1")}}));
}

QTEST_GUILESS_MAIN(tst_DisplaySimNetns)
#include "tst_displaysim_netns.moc"

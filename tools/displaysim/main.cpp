// vdfu-displaysim: a fleet of simulated displays on loopback (or any local
// addresses), for end-to-end tests and the demo. See tools/README.md.

#include "displaysim/fleet.h"
#include "simnet/eventlog.h"
#include "simnet/processsetup.h"
#include "simprotocol/fleetgenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>

namespace {

bool loadConfigs(const QCommandLineParser &args, QList<DisplayConfig> *configs, QString *error)
{
    if (args.isSet(QStringLiteral("fleet"))) {
        QFile file(args.value(QStringLiteral("fleet")));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        return parseFleet(file.readAll(), configs, error);
    }
    bool ok = false;
    const int count = args.value(QStringLiteral("generate")).toInt(&ok);
    if (!ok || count < 1 || count > 60000) {
        *error = QStringLiteral("--generate needs a count from 1 to 60000");
        return false;
    }
    QHostAddress first(args.value(QStringLiteral("first-address")));
    if (first.protocol() != QAbstractSocket::IPv4Protocol || first == QHostAddress(QStringLiteral("127.0.0.1"))) {
        *error = QStringLiteral("--first-address must be an IPv4 address other than 127.0.0.1");
        return false;
    }
    *configs = generateFleet(count, first);
    return true;
}

bool readPort(const QCommandLineParser &args, const QString &name, quint16 *port, QString *error)
{
    if (!args.isSet(name))
        return true;
    bool ok = false;
    const uint value = args.value(name).toUInt(&ok);
    if (!ok || value == 0 || value > 65535) {
        *error = QStringLiteral("--%1 must be a port number from 1 to 65535").arg(name);
        return false;
    }
    *port = quint16(value);
    return true;
}

bool applyBroadcast(const QCommandLineParser &args, QList<DisplayConfig> *configs, QString *error)
{
    if (!args.isSet(QStringLiteral("broadcast")))
        return true;
    const QHostAddress broadcast(args.value(QStringLiteral("broadcast")));
    if (broadcast.protocol() != QAbstractSocket::IPv4Protocol) {
        *error = QStringLiteral("--broadcast must be an IPv4 address");
        return false;
    }
    for (DisplayConfig &c : *configs) {
        if (c.broadcastAddress.isNull())
            c.broadcastAddress = broadcast;
    }
    return true;
}

bool readArguments(const QCommandLineParser &args, QList<DisplayConfig> *configs, ServicePorts *ports,
                   QString *error)
{
    if (args.isSet(QStringLiteral("fleet")) == args.isSet(QStringLiteral("generate"))) {
        *error = QStringLiteral("give either --fleet FILE or --generate N");
        return false;
    }
    return readPort(args, QStringLiteral("search-port"), &ports->search, error)
           && readPort(args, QStringLiteral("control-port"), &ports->control, error)
           && readPort(args, QStringLiteral("http-port"), &ports->http, error)
           && loadConfigs(args, configs, error)
           && applyBroadcast(args, configs, error);
}

} // namespace

int main(int argc, char *argv[])
{
    ProcessSetup::exitWithParent();
    ProcessSetup::enlargeOutputPipe();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vdfu-displaysim"));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("Simulates networked displays: UDP search, TCP control and web server."));
    args.addHelpOption();
    args.addOption({QStringLiteral("fleet"), QStringLiteral("Fleet file (JSON) describing the displays."), QStringLiteral("file")});
    args.addOption({QStringLiteral("generate"), QStringLiteral("Generate <count> displays instead of reading a fleet file."), QStringLiteral("count")});
    args.addOption({QStringLiteral("first-address"), QStringLiteral("First address of generated displays."),
                    QStringLiteral("address"), QStringLiteral("127.0.1.1")});
    args.addOption({QStringLiteral("broadcast"),
                    QStringLiteral("Broadcast address every display also answers on (unless its entry names one)."),
                    QStringLiteral("address")});
    args.addOption({QStringLiteral("search-port"), QStringLiteral("UDP search port (default 5320)."), QStringLiteral("port")});
    args.addOption({QStringLiteral("control-port"), QStringLiteral("TCP control port (default 7142)."), QStringLiteral("port")});
    args.addOption({QStringLiteral("http-port"), QStringLiteral("Web server port (default 80)."), QStringLiteral("port")});
    args.addOption({QStringLiteral("dump-fleet"), QStringLiteral("Print the fleet as JSON lines and exit.")});
    args.process(app);

    const EventLog log;
    QList<DisplayConfig> configs;
    ServicePorts ports;
    QString error;
    if (!readArguments(args, &configs, &ports, &error)) {
        log.write(QStringLiteral("error"), {{QStringLiteral("message"), error}});
        return 2;
    }
    if (args.isSet(QStringLiteral("dump-fleet"))) {
        for (const DisplayConfig &c : qAsConst(configs))
            log.write(QStringLiteral("display"), c.toJson());
        return 0;
    }

    const long fileLimit = ProcessSetup::raiseOpenFileLimit();
    ProcessSetup::quitOnTerminationSignals(&app);
    Fleet fleet(log);
    if (!fleet.start(configs, ports, &error)) {
        log.write(QStringLiteral("error"), {{QStringLiteral("message"), error}, {QStringLiteral("fileLimit"), qint64(fileLimit)}});
        return 1;
    }
    log.write(QStringLiteral("ready"), {{QStringLiteral("displays"), fleet.size()},
                                        {QStringLiteral("searchPort"), ports.search},
                                        {QStringLiteral("controlPort"), ports.control},
                                        {QStringLiteral("httpPort"), ports.http}});
    const int rc = app.exec();
    log.write(QStringLiteral("stopped"));
    return rc;
}

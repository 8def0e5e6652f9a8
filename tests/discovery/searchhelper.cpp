// Both ends of a broadcast search inside network namespaces, for
// tst_broadcastsearchnetns. Each mode prints JSON lines on stdout and stops
// by itself after a deadline.
//
//   vdfu-searchhelper search [--tick <ms>]
//       Searches the broadcast addresses of this namespace's LAN interfaces.
//       {"event":"interfaces","broadcast":[...]}, one {"event":"display",...}
//       per record, then {"event":"finished","found":N} and exit code 0
//       (1: the search could not start, 2: it did not finish in time).
//
//   vdfu-searchhelper displays <broadcast address> <display address>...
//       Displays that hear requests sent to the broadcast address; the first
//       asks for an acknowledgement (reply type 2), the others do not.
//       {"event":"ready"}, then {"event":"request"|"acknowledgement",
//       "display":..., "from":...} per datagram received.

#include "discovery/displaysearchudp.h"
#include "discovery/laninterfaces.h"

#include "scripteddisplay.h"
#include "searchreplybytes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kDeadlineMs = 20000;

void printLine(const QJsonObject &object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
    std::fflush(stdout);
}

int runSearch(QCoreApplication &app, int tickMs)
{
    DisplaySearchOptions options;
    options.tickIntervalMs = tickMs;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);

    const QList<QHostAddress> broadcast =
        LanInterfaces::allBroadcastAddresses(LanInterfaces::fromSystem());
    QJsonArray broadcastTexts;
    for (const QHostAddress &address : broadcast)
        broadcastTexts.append(address.toString());
    printLine({{QStringLiteral("event"), QStringLiteral("interfaces")},
               {QStringLiteral("broadcast"), broadcastTexts}});

    int found = 0;
    QObject::connect(&search, &DisplaySearchUDP::device_results,
                     [&found](const DISPLAY_UDP_SEARCH_REPLY_INFO &info) {
                         ++found;
                         printLine({{QStringLiteral("event"), QStringLiteral("display")},
                                    {QStringLiteral("address"), info.ipAddress.toString()},
                                    {QStringLiteral("modelName"), info.modelName},
                                    {QStringLiteral("macAddress"), info.macAddress}});
                     });
    QObject::connect(&search, &DisplaySearchUDP::finished, &app, [&found] {
        printLine({{QStringLiteral("event"), QStringLiteral("finished")},
                   {QStringLiteral("found"), found}});
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(kDeadlineMs, &app, [] { QCoreApplication::exit(2); });

    if (search.SetBroadcastAddressList(broadcast) != 0
        || search.StartSearch(DisplaySearchUDP::SearchBroadcast) != DisplaySearchUDP::Started) {
        printLine({{QStringLiteral("event"), QStringLiteral("error")}});
        return 1;
    }
    return app.exec();
}

void printDatagram(const char *event, const ScriptedDisplay &display, const QNetworkDatagram &datagram)
{
    printLine({{QStringLiteral("event"), QLatin1String(event)},
               {QStringLiteral("display"), display.address().toString()},
               {QStringLiteral("from"), datagram.senderAddress().toString()}});
}

int runDisplays(QCoreApplication &app, const QHostAddress &broadcast, const QStringList &addresses)
{
    std::vector<std::unique_ptr<ScriptedDisplay>> displays;
    for (const QString &text : addresses) {
        const QHostAddress address(text);
        const quint32 replyType = displays.empty() ? 2 : 8;
        const QByteArray model = "NS-" + QByteArray::number(address.toIPv4Address() & 0xFF);
        auto display = std::make_unique<ScriptedDisplay>(
            address, [replyType, model](quint16 sequence, int) {
                return QList<QByteArray>{SearchReplyBytes(sequence).type(replyType).text(96, model)};
            });
        if (!display->isBound()) {
            printLine({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("bind"), text}});
            return 1;
        }
        const ScriptedDisplay *d = display.get();
        QObject::connect(d, &ScriptedDisplay::requestReceived, [d] {
            printDatagram("request", *d, d->requests().constLast());
        });
        QObject::connect(d, &ScriptedDisplay::acknowledgementReceived, [d] {
            printDatagram("acknowledgement", *d, d->acknowledgements().constLast());
        });
        displays.push_back(std::move(display));
    }

    // Sockets bound to a unicast address never see broadcasts; this one,
    // bound to the broadcast address, hands them to every display.
    QUdpSocket listener;
    if (!listener.bind(broadcast, 5320, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        printLine({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("bind"), broadcast.toString()}});
        return 1;
    }
    QObject::connect(&listener, &QUdpSocket::readyRead, [&listener, &displays] {
        while (listener.hasPendingDatagrams()) {
            const QNetworkDatagram request = listener.receiveDatagram();
            for (const auto &display : displays)
                display->receive(request);
        }
    });
    QTimer::singleShot(kDeadlineMs, &app, [] { QCoreApplication::exit(2); });
    printLine({{QStringLiteral("event"), QStringLiteral("ready")}});
    return app.exec();
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("search or displays"));
    args.addOption({QStringLiteral("tick"), QStringLiteral("Search tick in ms."), QStringLiteral("ms"),
                    QStringLiteral("1000")});
    args.process(app);
    const QStringList positional = args.positionalArguments();
    if (positional.value(0) == QLatin1String("search"))
        return runSearch(app, args.value(QStringLiteral("tick")).toInt());
    if (positional.value(0) == QLatin1String("displays") && positional.size() >= 3)
        return runDisplays(app, QHostAddress(positional.at(1)), positional.mid(2));
    std::fputs("usage: vdfu-searchhelper search [--tick ms] | displays <broadcast> <address>...\n", stderr);
    return 3;
}

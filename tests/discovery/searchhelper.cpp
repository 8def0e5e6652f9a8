// Both ends of a broadcast search inside network namespaces, for
// tst_broadcastsearchnetns; each prints JSON lines and stops by itself.
//   search <tick ms>: searches the broadcast addresses of this namespace's
//     LAN interfaces: "interfaces", one "display" per record, "finished".
//   displays <broadcast address> <address>...: displays that hear requests
//     sent to the broadcast address, the first asking for acknowledgements:
//     "ready", then "request" or "acknowledgement" per datagram received.

#include "discovery/displaysearchudp.h"
#include "discovery/laninterfaces.h"

#include "scripteddisplay.h"
#include "searchreplybytes.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void print(const QJsonObject &object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
    std::fflush(stdout);
}

int search(int tickMs)
{
    DisplaySearchOptions options;
    options.tickIntervalMs = tickMs;
    DisplaySearchUDP search(options);
    search.SetFilterMode(UdpSearch::FilterMatchFlagsB);
    const QList<QHostAddress> broadcast = LanInterfaces::allBroadcastAddresses(LanInterfaces::fromSystem());
    QJsonArray texts;
    for (const QHostAddress &address : broadcast)
        texts.append(address.toString());
    print({{"event", "interfaces"}, {"broadcast", texts}});

    int found = 0;
    QObject::connect(&search, &DisplaySearchUDP::device_results, [&found](const DISPLAY_UDP_SEARCH_REPLY_INFO &info) {
        ++found;
        print({{"event", "display"}, {"address", info.ipAddress.toString()}, {"modelName", info.modelName}});
    });
    QObject::connect(&search, &DisplaySearchUDP::finished, [&found] {
        print({{"event", "finished"}, {"found", found}});
        QCoreApplication::exit(0);
    });
    if (search.SetBroadcastAddressList(broadcast) != 0
        || search.StartSearch(DisplaySearchUDP::SearchBroadcast) != DisplaySearchUDP::Started)
        return 1;
    return QCoreApplication::exec();
}

int displays(const QHostAddress &broadcast, const QStringList &addresses)
{
    std::vector<std::unique_ptr<ScriptedDisplay>> displays;
    for (const QString &address : addresses) {
        const quint32 replyType = displays.empty() ? 2 : 8;
        const QByteArray model = "NS-" + address.section(QLatin1Char('.'), 3).toLatin1();
        displays.push_back(std::make_unique<ScriptedDisplay>(
            QHostAddress(address), [replyType, model](quint16 sequence, int) {
                return QList<QByteArray>{SearchReplyBytes(sequence).type(replyType).text(96, model)};
            }));
        const ScriptedDisplay *display = displays.back().get();
        if (!display->isBound())
            return 1;
        for (const auto &[signal, event] : {std::pair{&ScriptedDisplay::requestReceived, "request"},
                                            std::pair{&ScriptedDisplay::acknowledgementReceived, "acknowledgement"}})
            QObject::connect(display, signal, [display, event = event] {
                print({{"event", event}, {"display", display->address().toString()}});
            });
    }
    // Sockets bound to a unicast address never see broadcasts; this one,
    // bound to the broadcast address, hands them to every display.
    QUdpSocket listener;
    if (!listener.bind(broadcast, UdpSearch::kSearchPort, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        return 1;
    QObject::connect(&listener, &QUdpSocket::readyRead, [&listener, &displays] {
        while (listener.hasPendingDatagrams()) {
            const QNetworkDatagram request = listener.receiveDatagram();
            for (const auto &display : displays)
                display->receive(request);
        }
    });
    print({{"event", "ready"}});
    return QCoreApplication::exec();
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(2); });
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("search") && args.size() == 2)
        return search(args.at(1).toInt());
    if (args.value(0) == QLatin1String("displays") && args.size() >= 3)
        return displays(QHostAddress(args.at(1)), args.mid(2));
    std::fputs("usage: vdfu-searchhelper search <tick ms> | displays <broadcast> <address>...\n", stderr);
    return 3;
}

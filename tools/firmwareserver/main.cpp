// vdfu-firmwareserver: serves a folder as the maker's firmware server (the
// release database under /firmwareupdates/ and the packages it names), with
// optional faults. See tools/README.md.

#include "firmwareserver/fileroutes.h"
#include "firmwareserver/servefaults.h"
#include "simnet/eventlog.h"
#include "simnet/processsetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>

namespace {

QString deliveryName(HttpResponse::Delivery d)
{
    switch (d) {
    case HttpResponse::Delivery::Normal: return QStringLiteral("normal");
    case HttpResponse::Delivery::NoAnswer: return QStringLiteral("stallHeaders");
    case HttpResponse::Delivery::StallBody: return QStringLiteral("stallBody");
    case HttpResponse::Delivery::DropMidBody: return QStringLiteral("drop");
    case HttpResponse::Delivery::Slow: return QStringLiteral("slow");
    }
    return QString();
}

bool readFaults(const QCommandLineParser &args, ServeFaults *faults, QString *error)
{
    const QStringList entries = args.values(QStringLiteral("fault"));
    for (const QString &entry : entries) {
        if (!faults->add(entry, error))
            return false;
    }
    if (!args.isSet(QStringLiteral("faults")))
        return true;
    QFile file(args.value(QStringLiteral("faults")));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(file.fileName());
        return false;
    }
    return faults->addFromJson(file.readAll(), error);
}

} // namespace

int main(int argc, char *argv[])
{
    ProcessSetup::exitWithParent();
    ProcessSetup::enlargeOutputPipe();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vdfu-firmwareserver"));

    QCommandLineParser args;
    args.setApplicationDescription(QStringLiteral("Serves a firmware release database and its packages over HTTP."));
    args.addHelpOption();
    args.addOption({QStringLiteral("root"), QStringLiteral("Folder to serve."), QStringLiteral("dir")});
    args.addOption({QStringLiteral("address"), QStringLiteral("Address to listen on."), QStringLiteral("address"),
                    QStringLiteral("127.0.0.1")});
    args.addOption({QStringLiteral("port"), QStringLiteral("Port; 0 picks a free one."), QStringLiteral("port"),
                    QStringLiteral("0")});
    args.addOption({QStringLiteral("fault"), QStringLiteral("Fault KIND:PATH (repeatable)."), QStringLiteral("kind:path")});
    args.addOption({QStringLiteral("faults"), QStringLiteral("JSON file of faults."), QStringLiteral("file")});
    args.addOption({QStringLiteral("rewrite-origin"),
                    QStringLiteral("Replace this origin (e.g. http://127.0.0.1:8070) in served JSON files by the server's own."),
                    QStringLiteral("origin")});
    args.process(app);

    const EventLog log;
    const auto fail = [&log](const QString &message) {
        log.write(QStringLiteral("error"), {{QStringLiteral("message"), message}});
        return 2;
    };
    const QString root = args.value(QStringLiteral("root"));
    if (root.isEmpty() || !QDir(root).exists())
        return fail(QStringLiteral("--root must name an existing folder"));
    const QHostAddress address(args.value(QStringLiteral("address")));
    bool portOk = false;
    const uint port = args.value(QStringLiteral("port")).toUInt(&portOk);
    if (address.isNull() || !portOk || port > 65535)
        return fail(QStringLiteral("--address and --port must be an IP address and a port number"));
    ServeFaults faults;
    QString error;
    if (!readFaults(args, &faults, &error))
        return fail(error);

    ProcessSetup::quitOnTerminationSignals(&app);
    FileRoutes files(root);
    faults.setFileSource([&files](const QByteArray &urlPath) {
        QFile file(files.fileFor(urlPath));
        return !file.fileName().isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    });
    HttpServer server;
    server.setFallback([&files](const HttpRequest &r) { return files.serve(r); });
    server.setResponseFilter([&faults](const HttpRequest &q, HttpResponse &r) { faults.apply(q, r); });
    QObject::connect(&server, &HttpServer::requestHandled, [&log](const HttpRequest &q, const HttpResponse &r) {
        log.write(QStringLiteral("httpRequest"), {
            {QStringLiteral("method"), QString::fromLatin1(q.method)},
            {QStringLiteral("path"), QString::fromLatin1(q.target)},
            {QStringLiteral("status"), r.status},
            {QStringLiteral("bytes"), int(r.body.size())},
            {QStringLiteral("delivery"), deliveryName(r.delivery)},
        });
    });
    if (!server.listen(address, quint16(port)))
        return fail(QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(server.errorString()));

    const QString origin = QStringLiteral("http://%1:%2").arg(address.toString()).arg(server.serverPort());
    if (args.isSet(QStringLiteral("rewrite-origin")))
        files.rewriteOrigin(args.value(QStringLiteral("rewrite-origin")).toUtf8(), origin.toUtf8());
    const QString base = origin + QStringLiteral("/firmwareupdates/");
    log.write(QStringLiteral("ready"), {{QStringLiteral("address"), address.toString()},
                                        {QStringLiteral("port"), server.serverPort()},
                                        {QStringLiteral("baseUrl"), base}});
    const int rc = app.exec();
    log.write(QStringLiteral("stopped"));
    return rc;
}

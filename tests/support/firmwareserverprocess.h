#pragma once

#include "toolprocess.h"

#include <QUrl>

// Runs the local firmware server (vdfu-firmwareserver) for a test: it serves
// `root` over HTTP on 127.0.0.1 and a free port.
//
//     FirmwareServerProcess server;
//     QVERIFY(server.startDemoCatalogue({"drop:/firmwareupdates/packages/k5r_105.zip"}));
//     QUrl db = server.databaseUrl();   // .../firmwareupdates/pd_firmware_releases.json
//
// Faults are KIND:PATH texts with the kinds notFound, serverError,
// stallHeaders, stallBody, drop, corrupt and missingEntry (tools/README.md). Each request
// is reported as an "httpRequest" event. In served JSON files the demo
// origin http://127.0.0.1:8070 is replaced by the server's own, so package
// URLs of a database written for the demo point at this server.
class FirmwareServerProcess : public ToolProcess
{
    Q_OBJECT

public:
    explicit FirmwareServerProcess(QObject *parent = nullptr) : ToolProcess(parent) {}

    static constexpr const char *kDemoOrigin = "http://127.0.0.1:8070";

    bool start(const QString &root, const QStringList &faults = {}, int timeoutMs = 10000,
               const QString &address = QStringLiteral("127.0.0.1"));
    // Serves the demo catalogue that the build generates from tools/demo.
    bool startDemoCatalogue(const QStringList &faults = {}, int timeoutMs = 10000);
    // The folder of the generated demo catalogue in the build tree (it holds
    // firmwareupdates/ and a copy of demo-fleet.json).
    static QString demoCatalogueRoot();

    quint16 port() const;
    // http://<address>:<port>/firmwareupdates/
    QUrl baseUrl() const;
    // The release database under the base URL.
    QUrl databaseUrl() const;
    // Any file below the root, by its path relative to the root.
    QUrl urlFor(const QString &relativePath) const;
};

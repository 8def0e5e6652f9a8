#pragma once

#include "toolprocess.h"

#include <QUrl>

// Runs the local firmware server (vdfu-firmwareserver) for a test: it serves
// `root` over HTTP on 127.0.0.1 and a free port.
//
//     FirmwareServerProcess server;
//     QVERIFY(server.start(folder, {"drop:/firmwareupdates/pkg.zip"}));
//     QUrl db = server.databaseUrl();   // .../firmwareupdates/pd_firmware_releases.json
//
// Faults are KIND:PATH texts with the kinds notFound, serverError,
// stallHeaders, stallBody, drop and corrupt (tools/README.md). Each request
// is reported as an "httpRequest" event.
class FirmwareServerProcess : public ToolProcess
{
    Q_OBJECT

public:
    explicit FirmwareServerProcess(QObject *parent = nullptr) : ToolProcess(parent) {}

    bool start(const QString &root, const QStringList &faults = {}, int timeoutMs = 10000,
               const QString &address = QStringLiteral("127.0.0.1"));

    quint16 port() const;
    // http://<address>:<port>/firmwareupdates/
    QUrl baseUrl() const;
    // The release database under the base URL.
    QUrl databaseUrl() const;
    // Any file below the root, by its path relative to the root.
    QUrl urlFor(const QString &relativePath) const;
};

#include "catalogue/releasedbselection.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace {
constexpr qint64 kLocalCopyReadLimit = 999999;
constexpr int kStatusTimeoutMs = 5000;
}

FirmwareReleaseDb loadLocalDatabase(const QString &path)
{
    FirmwareReleaseDb database;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return database;
    const QByteArray json = file.read(kLocalCopyReadLimit);
    if (!json.isEmpty() && database.parse(json) != 0)
        qInfo() << "Error parsing local json file";
    return database;
}

ReleaseDbChoice chooseReleaseDb(int downloadStatus, const QByteArray &serverBody,
                                const FirmwareReleaseDb &local)
{
    FirmwareReleaseDb server;
    const bool serverUsable =
        downloadStatus == 0 && !serverBody.isEmpty() && server.parse(serverBody) == 0;
    qInfo() << "Local DB:" << local.databaseVersion() << "Server DB:"
            << (serverUsable ? server.databaseVersion() : 0);

    ReleaseDbChoice choice;
    if (serverUsable && server.count() > 0 && server.databaseVersion() > local.databaseVersion()) {
        choice.database = server;
        choice.fromServer = true;
        choice.statusText = QCoreApplication::translate("ReleaseDbRetrieval",
                                                        "Downloaded %1 firmware definitions")
                                .arg(server.count());
    } else {
        choice.database = local;
        choice.statusText = QCoreApplication::translate("ReleaseDbRetrieval",
                                                        "%1 local file firmware definitions")
                                .arg(local.count());
    }
    choice.statusTimeoutMs = kStatusTimeoutMs;
    choice.loaded = choice.database.count() > 0;
    qInfo() << "Num FW defs:" << choice.database.count();

    if (downloadStatus != 0) {
        choice.statusText = QCoreApplication::translate(
                                "ReleaseDbRetrieval",
                                "Error %1 downloading firmware definitions. Check Internet connection and restart.")
                                .arg(downloadStatus);
        choice.statusTimeoutMs = 0;
        qInfo() << "Error" << downloadStatus << "downloading firmware definitions";
    }
    return choice;
}

bool writeLocalCopy(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

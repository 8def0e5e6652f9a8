#include "firmwareserverprocess.h"

bool FirmwareServerProcess::start(const QString &root, const QStringList &faults, int timeoutMs,
                                  const QString &address)
{
    QStringList args{QStringLiteral("--root"), root, QStringLiteral("--address"), address,
                     QStringLiteral("--port"), QStringLiteral("0"),
                     QStringLiteral("--rewrite-origin"), QLatin1String(kDemoOrigin)};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    return startProgram(QStringLiteral("vdfu-firmwareserver"), args, timeoutMs);
}

quint16 FirmwareServerProcess::port() const
{
    return quint16(readyEvent().value(QStringLiteral("port")).toInt());
}

QUrl FirmwareServerProcess::baseUrl() const
{
    return QUrl(readyEvent().value(QStringLiteral("baseUrl")).toString());
}

QUrl FirmwareServerProcess::databaseUrl() const
{
    return baseUrl().resolved(QUrl(QStringLiteral("pd_firmware_releases.json")));
}

QUrl FirmwareServerProcess::urlFor(const QString &relativePath) const
{
    return QUrl(QStringLiteral("http://%1:%2/%3")
                    .arg(readyEvent().value(QStringLiteral("address")).toString())
                    .arg(port())
                    .arg(relativePath));
}

bool FirmwareServerProcess::startDemoCatalogue(const QStringList &faults, int timeoutMs)
{
    return start(demoCatalogueRoot(), faults, timeoutMs);
}

QString FirmwareServerProcess::demoCatalogueRoot()
{
    return QStringLiteral(VDFU_DEMO_CATALOGUE_DIR);
}

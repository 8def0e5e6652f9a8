#include "discovery/displayprobes.h"

#include "download/downloadstatus.h"
#include "discovery/webprobe.h"

namespace DisplayProbes {

namespace {

QUrl probeUrl(const QHostAddress &host, quint16 port, const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host.toString());
    if (port != kHttpPort)
        url.setPort(port);
    url.setPath(path);
    return url;
}

}

QUrl lockProbeUrl(const QHostAddress &display, quint16 port)
{
    return probeUrl(display, port, QStringLiteral("/index.html"));
}

QUrl alternateAddressProbeUrl(const QHostAddress &address2, quint16 port)
{
    return probeUrl(address2, port, QString());
}

bool isUnassigned(const QHostAddress &address2)
{
    return address2.isEqual(QHostAddress(QHostAddress::AnyIPv4), QHostAddress::ConvertV4MappedToIPv4);
}

int lockStatusFromProbe(int downloaderStatus, const QByteArray &body)
{
    if (downloaderStatus != DownloadStatus::Success || body.isEmpty())
        return 2;
    return body.contains("/Logon/") ? 1 : 0;
}

int ip2CheckResultFromProbe(int downloaderStatus, const QByteArray &body)
{
    return downloaderStatus == DownloadStatus::Success && !body.isEmpty() ? 0 : 1;
}

WebProbe *createProbe(const QUrl &url, QObject *parent)
{
    return new WebProbe(url, parent);
}

}

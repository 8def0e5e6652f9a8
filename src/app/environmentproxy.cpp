#include "app/environmentproxy.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr quint16 kDefaultProxyPort = 1080; // as command line tools assume

// A no_proxy entry without its port, brackets and sub-domain wildcard.
QString bareEntry(QString entry)
{
    if (entry.startsWith(QLatin1Char('['))) { // "[::1]" or "[::1]:8080"
        const int close = entry.indexOf(QLatin1Char(']'));
        return close < 0 ? QString() : entry.mid(1, close - 1);
    }
    if (entry.count(QLatin1Char(':')) == 1) // a port after a name or an IPv4 address
        entry.truncate(entry.indexOf(QLatin1Char(':')));
    if (entry.startsWith(QLatin1String("*.")))
        entry.remove(0, 1);
    while (entry.startsWith(QLatin1Char('.')))
        entry.remove(0, 1);
    return entry;
}

bool entryCovers(const QString &entry, const QString &host, const QHostAddress &hostAddress)
{
    if (entry.contains(QLatin1Char('/'))) {
        const auto block = QHostAddress::parseSubnet(entry);
        return !hostAddress.isNull() && block.second >= 0 && hostAddress.isInSubnet(block);
    }
    const QHostAddress address(entry);
    if (!address.isNull())
        return address.isEqual(hostAddress, QHostAddress::ConvertV4MappedToIPv4);
    return host == entry || host.endsWith(QLatin1Char('.') + entry);
}

}

namespace EnvironmentProxy {

QNetworkProxy parseProxy(const QString &value, bool *usable)
{
    const QString text = value.trimmed();
    const QUrl url = QUrl::fromUserInput(text.contains(QLatin1String("://"))
                                             ? text
                                             : QLatin1String("http://") + text);
    const QString scheme = url.scheme().toLower();
    QNetworkProxy::ProxyType type = QNetworkProxy::NoProxy;
    if (scheme == QLatin1String("http"))
        type = QNetworkProxy::HttpProxy;
    else if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    const bool ok = type != QNetworkProxy::NoProxy && url.isValid() && !url.host().isEmpty();
    if (usable)
        *usable = ok;
    if (!ok)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return QNetworkProxy(type, url.host(), quint16(url.port(kDefaultProxyPort)),
                         url.userName(QUrl::FullyDecoded), url.password(QUrl::FullyDecoded));
}

bool bypassesProxy(const QString &host, const QString &noProxy)
{
    const QString name = host.toLower();
    const QHostAddress hostAddress(name);
    const QStringList entries = noProxy.toLower().split(QRegularExpression(QStringLiteral("[,\\s]+")),
                                                        Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        if (entry == QLatin1String("*"))
            return true;
        const QString bare = bareEntry(entry);
        if (!bare.isEmpty() && entryCovers(bare, name, hostAddress))
            return true;
    }
    return false;
}

QString describe(const QNetworkProxy &proxy)
{
    if (proxy.type() == QNetworkProxy::NoProxy)
        return QStringLiteral("direct");
    const QString scheme = proxy.type() == QNetworkProxy::Socks5Proxy ? QStringLiteral("socks5")
                                                                      : QStringLiteral("http");
    QUrl url;
    url.setScheme(scheme);
    url.setHost(proxy.hostName());
    url.setPort(proxy.port());
    return url.toString();
}

}

EnvironmentProxyFactory::EnvironmentProxyFactory(const QProcessEnvironment &environment)
    : m_environment(environment)
{
}

QList<QNetworkProxy> EnvironmentProxyFactory::queryProxy(const QNetworkProxyQuery &query)
{
    if (query.queryType() != QNetworkProxyQuery::UrlRequest)
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    return {proxyForUrl(query.url())};
}

QNetworkProxy EnvironmentProxyFactory::proxyForUrl(const QUrl &url) const
{
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!web || EnvironmentProxy::bypassesProxy(url.host(), variable("no_proxy")))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QString value = variable(scheme == QLatin1String("https") ? "https_proxy" : "http_proxy");
    if (value.isEmpty())
        value = variable("all_proxy");
    return value.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy) : EnvironmentProxy::parseProxy(value);
}

void EnvironmentProxyFactory::install()
{
    QNetworkProxyFactory::setApplicationProxyFactory(new EnvironmentProxyFactory);
}

QString EnvironmentProxyFactory::variable(const char *lowerCaseName) const
{
    const QString name = QLatin1String(lowerCaseName);
    const QString value = m_environment.value(name).trimmed();
    return value.isEmpty() ? m_environment.value(name.toUpper()).trimmed() : value;
}

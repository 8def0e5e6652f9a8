#pragma once

#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QProcessEnvironment>

// Proxies for the firmware server's traffic (release database, firmware
// packages), taken from the proxy variables of the environment as command
// line tools read them: http_proxy, https_proxy and all_proxy name the
// proxy, no_proxy the hosts reached directly; the lower-case name wins over
// the upper-case one. Only http and https requests are ever proxied: sockets
// to the displays (search, control, web probes, updates) connect directly,
// whatever the environment says. The network library itself never proxies
// loopback addresses and "localhost".
class EnvironmentProxyFactory : public QNetworkProxyFactory
{
public:
    explicit EnvironmentProxyFactory(
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override;

    // The proxy for a request of url; NoProxy when none applies or the
    // variable's value is not usable.
    QNetworkProxy proxyForUrl(const QUrl &url) const;

    // Makes a factory over the process environment the application's.
    static void install();

private:
    QString variable(const char *lowerCaseName) const;

    QProcessEnvironment m_environment;
};

namespace EnvironmentProxy {
// The proxy of a variable's value: "http://[user:password@]host[:port]",
// "socks5://…" or a bare "host[:port]" (port 1080 when none is given).
// Schemes that the network library cannot speak (https to the proxy,
// socks4) give NoProxy and usable false.
QNetworkProxy parseProxy(const QString &value, bool *usable = nullptr);

// Whether host is reached directly under noProxy: a list separated by
// commas or blanks of "*", host names (each also covering its sub-domains;
// a leading "." or "*." is the same), IP addresses and address blocks
// ("10.0.0.0/8"), each with an optional ":port" that is ignored.
bool bypassesProxy(const QString &host, const QString &noProxy);

// "http://host:port", "socks5://host:port" or "direct" for the log; never
// the credentials.
QString describe(const QNetworkProxy &proxy);
}

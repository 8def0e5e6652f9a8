#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QUrl>

class QObject;
class WebProbe;

// The two facts about a display that only its web server tells: whether its
// web interface is locked behind a login, and whether it answers on its
// alternate address (IP address 2). Each is one HTTP GET made with a
// WebProbe; these functions build the requests and read the results.
namespace DisplayProbes {

constexpr quint16 kHttpPort = 80;

// "http://<display>/index.html".
QUrl lockProbeUrl(const QHostAddress &display, quint16 port = kHttpPort);
// "http://<IP address 2>" (no path). A null address gives a URL without a
// host, whose request fails.
QUrl alternateAddressProbeUrl(const QHostAddress &address2, quint16 port = kHttpPort);

// IP address 2 is 0.0.0.0: the display has none, and it is not probed.
bool isUnassigned(const QHostAddress &address2);

// lockStatus from the lock probe's final status and body: 1 when the page
// mentions "/Logon/" (case-sensitive), 0 when it loaded without it, 2 when
// the request failed or the page was empty.
int lockStatusFromProbe(int downloaderStatus, const QByteArray &body);
// ip2CheckResult from the alternate-address probe: 0 when it answered with a
// body, 1 when it failed or the body was empty.
int ip2CheckResultFromProbe(int downloaderStatus, const QByteArray &body);

// The probe of `url`; the caller connects statusChanged and calls start().
WebProbe *createProbe(const QUrl &url, QObject *parent);

}

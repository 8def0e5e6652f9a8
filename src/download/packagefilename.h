#pragma once

#include <QString>
#include <QUrl>

namespace FirmwareFiles {

// The name under which a release's package lies in the firmware folder: the
// last segment of its URL's path, percent-decoded, without query or
// fragment ("…/fw/r%201.zip?t=2#x" names "r 1.zip"; "…/fw/xyz.zip" names
// "xyz.zip"). Every part that opens the package (download, LAN update, USB
// drive) names it through this one function, so that what was downloaded is
// what is uploaded. Header only: the LAN update library uses it without
// linking the download library. A "%2F" decodes to a "/", which the callers
// refuse as a file name.
inline QString packageFileName(const QString &downloadLoc)
{
    const QString path = QUrl(downloadLoc).path(QUrl::FullyEncoded);
    return QUrl::fromPercentEncoding(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).toUtf8());
}

}

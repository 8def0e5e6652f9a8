#include "download/speedtext.h"

#include <QCoreApplication>

QString downloadSpeedText(qint64 bytesReceived, qint64 elapsedMs)
{
    double speed = elapsedMs > 0 ? double(bytesReceived) * 1000.0 / double(elapsedMs) : 0.0;
    QString unit;
    if (speed < 1024.0) {
        unit = QCoreApplication::translate("FileDownloader", "bytes/sec", "download speed");
    } else if (speed < 1048576.0) {
        speed /= 1024.0;
        unit = QCoreApplication::translate("FileDownloader", "kB/s", "download speed");
    } else {
        speed /= 1048576.0;
        unit = QCoreApplication::translate("FileDownloader", "MB/s", "download speed");
    }
    return QCoreApplication::translate("FileDownloader", "%1 %2", "1=download speed 2=speed units")
        .arg(speed, 3, 'f', 1)
        .arg(unit);
}

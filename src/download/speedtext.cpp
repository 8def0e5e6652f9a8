#include "download/speedtext.h"

#include <QCoreApplication>

TransferSpeed transferSpeed(qint64 bytesReceived, qint64 elapsedMs)
{
    TransferSpeed speed;
    speed.value = elapsedMs > 0 ? double(bytesReceived) * 1000.0 / double(elapsedMs) : 0.0;
    if (speed.value < 1024.0) {
        speed.unit = QCoreApplication::translate("FileDownloader", "bytes/sec", "download speed");
    } else if (speed.value < 1048576.0) {
        speed.value /= 1024.0;
        speed.unit = QCoreApplication::translate("FileDownloader", "kB/s", "download speed");
    } else {
        speed.value /= 1048576.0;
        speed.unit = QCoreApplication::translate("FileDownloader", "MB/s", "download speed");
    }
    return speed;
}

QString downloadSpeedText(qint64 bytesReceived, qint64 elapsedMs)
{
    const TransferSpeed speed = transferSpeed(bytesReceived, elapsedMs);
    return QCoreApplication::translate("FileDownloader", "%1 %2", "1=download speed 2=speed units")
        .arg(speed.value, 3, 'f', 1)
        .arg(speed.unit);
}

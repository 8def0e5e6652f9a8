#pragma once

#include <QString>
#include <QtGlobal>

// A transfer speed in the unit an operator reads best: bytes per second below
// 1024, kB/s below 1048576, MB/s above. With no measurable elapsed time the
// speed is unknown and reads as zero rather than an infinite or arbitrary
// figure.
struct TransferSpeed
{
    double value = 0.0;
    QString unit;
};
TransferSpeed transferSpeed(qint64 bytesReceived, qint64 elapsedMs);

// The speed text shown beside download progress, e.g. "12.5 kB/s".
QString downloadSpeedText(qint64 bytesReceived, qint64 elapsedMs);

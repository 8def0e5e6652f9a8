#pragma once

#include <QString>
#include <QtGlobal>

// The transfer speed text shown beside download progress, e.g. "12.5 kB/s":
// bytes per second below 1024, kB/s below 1048576, MB/s above, one decimal.
// With no measurable elapsed time the speed is unknown and reads as zero
// rather than an infinite or arbitrary figure.
QString downloadSpeedText(qint64 bytesReceived, qint64 elapsedMs);

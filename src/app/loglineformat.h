#pragma once

#include <QDateTime>
#include <QString>

// The time stamp that starts every log line: "yyyy.MM.dd:hhmmss | ".
QString logLinePrefix(const QDateTime &localTime);

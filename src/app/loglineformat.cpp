#include "app/loglineformat.h"

QString logLinePrefix(const QDateTime &localTime)
{
    return localTime.toString(QStringLiteral("yyyy.MM.dd:hhmmss")) + QStringLiteral(" | ");
}

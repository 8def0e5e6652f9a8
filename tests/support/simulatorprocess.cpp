#include "simulatorprocess.h"

#include <QFile>
#include <QJsonDocument>

bool SimulatorProcess::start(const QJsonArray &displays, int timeoutMs)
{
    QFile file(m_dir.filePath(QStringLiteral("fleet.json")));
    if (!m_dir.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QJsonDocument(QJsonObject{{QStringLiteral("displays"), displays}}).toJson()) < 0) {
        return false;
    }
    file.close();
    return startProgram(QStringLiteral("vdfu-displaysim"), {QStringLiteral("--fleet"), file.fileName()}, timeoutMs);
}

bool SimulatorProcess::startGenerated(int count, const QString &firstAddress, int timeoutMs)
{
    return startProgram(QStringLiteral("vdfu-displaysim"),
                        {QStringLiteral("--generate"), QString::number(count),
                         QStringLiteral("--first-address"), firstAddress},
                        timeoutMs);
}

QList<QHostAddress> SimulatorProcess::generatedAddresses(int count, const QString &firstAddress)
{
    QList<QHostAddress> addresses;
    for (quint32 a = QHostAddress(firstAddress).toIPv4Address(); addresses.size() < count; ++a) {
        if ((a & 0xFF) != 0 && (a & 0xFF) != 0xFF)
            addresses.append(QHostAddress(a));
    }
    return addresses;
}

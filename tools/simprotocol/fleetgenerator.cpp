#include "simprotocol/fleetgenerator.h"

namespace {

struct ModelTemplate
{
    const char *model;
    int seriesCode;
    const char *firmware;
    int families;
};

// A mix of every series of the demo catalogue, old and current firmware.
const ModelTemplate kModels[] = {
    {"K5-432", 3, "R1.200", CommandFamily::All & ~CommandFamily::LegacyFirmware},
    {"K5-552", 3, "R1.300", CommandFamily::All & ~CommandFamily::LegacyFirmware},
    {"HL-751", 4, "2.10", CommandFamily::All & ~CommandFamily::LegacyFirmware},
    {"K5U-654", 5, "3.01", CommandFamily::All & ~CommandFamily::LegacyFirmware},
    {"K5R-554", 6, "1.05", CommandFamily::All & ~CommandFamily::LegacyFirmware},
    {"K4-552", 1, "04.120", CommandFamily::LegacyFirmware | CommandFamily::Asset},
    {"QZ-651", 2, "05.200", CommandFamily::LegacyFirmware | CommandFamily::Asset},
    {"CB-321", 7, "1.10", CommandFamily::All},
    {"OL-P502", 9, "1.2.0", CommandFamily::Firmware | CommandFamily::Asset},
    {"TM-981", 11, "2.0.1", CommandFamily::All},
};

} // namespace

QList<DisplayConfig> generateFleet(int count, const QHostAddress &firstAddress)
{
    QList<DisplayConfig> fleet;
    quint32 address = firstAddress.toIPv4Address();
    const int modelCount = int(sizeof(kModels) / sizeof(kModels[0]));
    for (int i = 0; i < count; ++i, ++address) {
        while ((address & 0xFF) == 0 || (address & 0xFF) == 0xFF)
            ++address;
        const ModelTemplate &t = kModels[i % modelCount];
        DisplayConfig c;
        c.address = QHostAddress(address);
        c.modelName = t.model;
        c.seriesCode = t.seriesCode;
        c.serialNumber = QByteArray::number(70000000 + i * 7919 % 10000000).rightJustified(8, '0');
        c.identity = c.serialNumber;
        c.mac = {0x00, 0x1B, 0x2C, quint8(i >> 16), quint8(i >> 8), quint8(i)};
        c.currentFirmware = t.firmware;
        c.fwVersions = {c.currentFirmware, QByteArrayLiteral("-.-"), QByteArray(), QByteArray()};
        c.assetTag = "Room " + QByteArray::number(100 + i);
        c.commandFamilies = t.families;
        c.powerState = i % 7 == 6 ? 4 : 1;
        c.powerSaveMode = i % 3;
        c.locked = i % 11 == 10;
        if (t.seriesCode >= 3 && t.seriesCode <= 6)
            c.address2 = QHostAddress(address + 0x10000);
        fleet.append(c);
    }
    return fleet;
}

#include "discovery/controlrequests.h"

#include "catalogue/versionrules.h"
#include "discovery/searchdatagrams.h"

namespace {

constexpr int kPowerFlags = TCP_REQ_POWER_STATUS | TCP_REQ_POWER_ON | TCP_REQ_POWER_OFF;

void mergeText(QString &field, const QString &value)
{
    const QString trimmed = value.trimmed();
    if (!trimmed.isEmpty())
        field = trimmed;
}

}

namespace ControlRequests {

DISPLAY_LIST_ENTRY rowFromSearchReply(const DISPLAY_UDP_SEARCH_REPLY_INFO &info)
{
    DISPLAY_LIST_ENTRY row;
    row.ipAddress = info.ipAddress;
    row.ipAddress2 = info.ipAddress2;
    row.modelName = info.modelName;
    row.fwVersions = info.fwVersions;
    row.currentFirmware = info.currentFirmware;
    row.macAddress = info.macAddress;
    row.udpSeries = info.series;
    return row;
}

int searchRequestFlags(const DISPLAY_LIST_ENTRY &row)
{
    int flags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS;
    const bool group2 = isSeriesGroup2(row.udpSeries);
    if (row.currentFirmware.isEmpty() || row.currentFirmware.contains(QLatin1String("-.-")))
        flags |= group2 ? TCP_REQ_FIRMWARE_LEGACY : TCP_REQ_FIRMWARE;
    if (row.fwVersions[0].isEmpty())
        flags |= group2 ? TCP_REQ_VERSIONS_LEGACY : TCP_REQ_VERSIONS;
    if (UdpSearch::udpSeriesHasIP2(row.udpSeries))
        flags |= TCP_REQ_VERIFY_IP2;
    return flags | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS | TCP_REQ_POWER_SAVE_READ;
}

int refreshRequestFlags(const DISPLAY_LIST_ENTRY &row)
{
    int flags = isSeriesGroup2(row.udpSeries)
        ? TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_VERSIONS_LEGACY
        : TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS | TCP_REQ_VERSIONS | TCP_REQ_FIRMWARE;
    if (row.useIP2 != 0)
        flags |= TCP_REQ_VERIFY_IP2;
    flags |= TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS;
    if (isSeriesGroup1(row.seriesId))
        flags |= TCP_REQ_POWER_SAVE_READ;
    return flags;
}

void mergeControlResult(DISPLAY_LIST_ENTRY &row, const PD_TCP_REPLY &reply)
{
    const int flags = reply.requestFlags;
    if (reply.tcpStatus != 0)
        row.commStatus = 1;
    if (flags & TCP_REQ_MODEL_NAME)
        mergeText(row.modelName, reply.modelName);
    if (flags & TCP_REQ_SERIAL_NUMBER)
        mergeText(row.serialNumber, reply.serialNumber);
    if (flags & (TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_FIRMWARE))
        mergeText(row.currentFirmware, reply.currentFirmware);
    if (flags & (TCP_REQ_VERSIONS_LEGACY | TCP_REQ_VERSIONS)) {
        for (int i = 0; i < 4; ++i)
            mergeText(row.fwVersions[i], reply.fwVersions[i]);
    }
    if (flags & kPowerFlags)
        row.powerState = reply.powerState;
    if (flags & TCP_REQ_VERIFY_IP2)
        row.ip2CheckResult = reply.ip2CheckResult;
    if (flags & TCP_REQ_LOCK_STATUS)
        row.lockStatus = reply.lockStatus;
    if (flags & TCP_REQ_POWER_SAVE_READ)
        row.powerSaveMode = reply.powerSaveMode;
    // The asset tag is the display's own text, blanks and all.
    if (flags & TCP_REQ_ASSET_DATA)
        row.assetTag = reply.assetTag;
}

void mergePowerResult(DISPLAY_LIST_ENTRY &row, const PD_TCP_REPLY &reply)
{
    const int powerSaveFlags = TCP_REQ_POWER_SAVE_READ | TCP_REQ_POWER_SAVE_OFF
        | TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE | TCP_REQ_POWER_SAVE_AUTO_STANDBY;
    if (reply.tcpStatus != 0)
        row.commStatus = 1;
    if (reply.requestFlags & kPowerFlags)
        row.powerState = reply.powerState;
    if (reply.requestFlags & powerSaveFlags)
        row.powerSaveMode = reply.powerSaveMode;
}

}

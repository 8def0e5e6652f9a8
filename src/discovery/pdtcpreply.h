#pragma once

#include <QHostAddress>
#include <QMetaType>
#include <QString>

#include <array>

// Request flags of one control exchange; any combination. TcpClient works
// through them in its own fixed order, not in bit order.
constexpr int TCP_REQ_MODEL_NAME = 0x1;
constexpr int TCP_REQ_SERIAL_NUMBER = 0x2;
constexpr int TCP_REQ_POWER_STATUS = 0x4;
constexpr int TCP_REQ_FIRMWARE_LEGACY = 0x8;
constexpr int TCP_REQ_VERSIONS_LEGACY = 0x10;
constexpr int TCP_REQ_VERSIONS = 0x20;
constexpr int TCP_REQ_FIRMWARE = 0x40;
constexpr int TCP_REQ_ASSET_DATA = 0x100;
constexpr int TCP_REQ_VERIFY_IP2 = 0x200;
constexpr int TCP_REQ_POWER_ON = 0x400;
constexpr int TCP_REQ_POWER_OFF = 0x800;
constexpr int TCP_REQ_LOCK_STATUS = 0x1000;
constexpr int TCP_REQ_POWER_SAVE_READ = 0x2000;
constexpr int TCP_REQ_POWER_SAVE_OFF = 0x4000;
constexpr int TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE = 0x8000;
constexpr int TCP_REQ_POWER_SAVE_AUTO_STANDBY = 0x10000;
constexpr int TCP_REQ_UPLOAD_REQUEST = 0x20000;
constexpr int TCP_REQ_START_UPDATE = 0x40000;
constexpr int TCP_REQ_UPDATE_PROGRESS = 0x80000;

// Result codes of a control exchange (PD_TCP_REPLY::tcpStatus).
namespace TcpStatus {
enum Code {
    Ok = 0,
    ConnectionFailed = -1, // socket error, or no connection in time
    BadReply = -3001,      // a reply failed the frame or content checks
    Refused = -3002,       // "BE", or a reply code this client does not know
};
}

// The result of one control exchange with one display, reported whole by
// TcpClient::device_results. Fields that the exchange did not reach keep
// their initial values, so a failed exchange still carries what it read.
struct PD_TCP_REPLY
{
    QHostAddress ipAddress;
    QString modelName;
    QString serialNumber;
    QString currentFirmware;
    std::array<QString, 4> fwVersions;
    QString assetTag;
    int powerState = 0;      // 1 on; the power-off command requests 4
    int tcpStatus = TcpStatus::Ok;
    int requestFlags = 0;
    int ip2CheckResult = -1; // -1 not probed; 0 answered; 1 0.0.0.0, no answer or empty
    int lockStatus = -1;     // -1 not probed; 0 not locked; 1 locked; 2 unknown
    int powerSaveMode = -2;  // -2 not read; 0 auto power save, 1 auto standby, 2 off; -1 other
    int setParamValue = 0;   // current value of a 1303/1307 parameter reply
    int getParamValue = 0;   // current value of a 1306 parameter reply
};

Q_DECLARE_METATYPE(PD_TCP_REPLY)

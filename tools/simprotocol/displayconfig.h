#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <array>

// One simulated display as described by a fleet file: what it reports, which
// commands it knows, and which faults it shows. Read from JSON by
// `DisplayConfig::fromJson`; the key names are documented in tools/README.md.
namespace UdpFault {
enum Kind { None, Silent, WrongSize, WrongMagic, StaleSequence };
}

// A fault on the control connection for every command whose message starts
// with `prefix` ("*" or empty: every command).
struct CommandFault
{
    enum Kind { Delay, NoReply, Split, BadBlockCheck, AnswerBE };
    QByteArray prefix;
    Kind kind = NoReply;
    int delayMs = 0;
    int times = -1; // how many matching commands it hits; -1 every one

    bool matches(const QByteArray &message) const
    {
        return prefix.isEmpty() || prefix == "*" || message.startsWith(prefix);
    }
};

// Command families a display may or may not know; an unknown command is
// answered "BE".
namespace CommandFamily {
enum Flag {
    Firmware = 0x1,        // "CA02" firmware texts
    LegacyFirmware = 0x2,  // "C03F" / "C03E"
    Asset = 0x4,           // "C00B"
    PowerSave = 0x8,       // "CA0B"
    Parameters = 0x10,     // get "1306", set "1307" / "1303"
    All = 0x1F,
};
}

// Faults of the firmware update interface. A step fault hits requests of
// one update step (UpdateRequest::stepName), `times` of them (-1: all).
struct UpdateStepFault
{
    QString step;
    int times = -1;
};

struct UpdateFaults
{
    UpdateStepFault reject;    // answered with a rejection
    UpdateStepFault drop;      // connection closed without an answer
    UpdateStepFault noAnswer;  // never answered
    UpdateStepFault errorStatus; // answered with errorStatusCode and an HTML error page
    int errorStatusCode = 500;
    QString notYet;            // polling step answered "not yet" for ever (empty: none)
    int uploadStateZero = 0;   // upload state 0 for the first N queries
    int fileCheckFails = 0;    // component (1-6) whose file check fails; 0 none
    int updateFails = 0;       // component (1-6) whose update fails; 0 none
    bool imageWriting = false; // legacy: "Image file writing." instead of success
    int handOutToken = -1;     // keyed: token handed out over TCP instead of uploadToken
    int expectToken = -1;      // keyed: token whose key the display expects instead
    bool progressNeverStarts = false; // keyed: progress stays 200 after the start
    qint64 uploadBytesPerSecond = 0;  // slow upload link; 0 full speed
};

struct DisplayConfig
{
    QHostAddress address;
    char displayId = 'A';
    QByteArray modelName;
    QByteArray serialNumber;
    std::array<quint8, 6> mac{};
    int seriesCode = 0;
    QByteArray identity;
    quint8 statusByte = '*';
    quint32 matchFlagsA = 0x31;
    quint32 matchFlagsB = 0x100;
    quint32 udpReplyType = 8;
    QByteArray assetTag;
    QByteArray currentFirmware;
    std::array<QByteArray, 4> fwVersions;
    int powerState = 1;      // 1 on; 4 off (the value the power-off command sets)
    int powerSaveMode = 2;   // 0 auto power save, 1 auto standby, 2 off
    QHostAddress broadcastAddress; // also answers searches sent here (null: none)
    QHostAddress address2;   // null: no second address
    bool address2Answers = true;
    QByteArray address2Body;
    bool locked = false;
    bool readableWhenOff = true; // false: only power commands work while off
    bool webServer = true;
    int commandFamilies = CommandFamily::All;
    int uploadToken = 0x2A3B;
    int progressStep = 0;    // percent per progress read; 0: progress follows the clock
    bool updateFails = false;
    int updateSeries = -1;   // series whose update dialect the web server speaks; -1: seriesCode
    QByteArray firmwareAfterUpdate; // reported after a successful update (empty: unchanged)
    std::array<QByteArray, 4> fwVersionsAfterUpdate;
    bool hasVersionsAfterUpdate = false;
    double updateTimeScale = 1.0; // multiplies every update duration

    // Faults.
    UdpFault::Kind udpFault = UdpFault::None;
    bool refuseTcp = false;
    QList<CommandFault> commandFaults;
    int httpStatus = 200;
    bool httpNoAnswer = false;
    UpdateFaults updateFaults;

    bool knows(CommandFamily::Flag family) const { return commandFamilies & family; }
    int dialectSeries() const { return updateSeries >= 0 ? updateSeries : seriesCode; }
    int handedOutToken() const { return updateFaults.handOutToken >= 0 ? updateFaults.handOutToken : uploadToken; }
    int expectedToken() const { return updateFaults.expectToken >= 0 ? updateFaults.expectToken : uploadToken; }

    // Fills `out` from one fleet-file entry; on failure returns false and a
    // reason in `error`. Absent keys keep the defaults above.
    static bool fromJson(const QJsonObject &json, DisplayConfig *out, QString *error);
    QJsonObject toJson() const;
};

// Reads a whole fleet document: {"displays": [...], "updateTimeScale": x}
// or a bare array. The top-level time scale applies to every display
// without its own. Checks
// that addresses are IPv4 loopback-or-other unicast, never 127.0.0.1, and
// not used twice.
bool parseFleet(const QByteArray &json, QList<DisplayConfig> *out, QString *error);

QString macText(const std::array<quint8, 6> &mac);

#pragma once

#include "simprotocol/controlframe.h"
#include "simprotocol/displayconfig.h"

// The state of a simulated display that control commands and updates
// change.
struct DisplayState
{
    int powerState = 1;
    int powerSaveMode = 2;
    QByteArray currentFirmware;
    std::array<QByteArray, 4> fwVersions;
    int updateProgress = 200; // 0..100 percent while updating; 200 idle; 208 failed
    bool uploadRequested = false;
    bool firmwareReceived = false; // keyed: a firmware file arrived since the token request
    qint64 clockMs = 0;            // the display's clock when a request is answered
    qint64 updateStartedMs = 0;    // when the keyed update started

    static DisplayState initial(const DisplayConfig &config)
    {
        DisplayState s;
        s.powerState = config.powerState;
        s.powerSaveMode = config.powerSaveMode;
        s.currentFirmware = config.currentFirmware;
        s.fwVersions = config.fwVersions;
        return s;
    }

    // After a successful update: the firmware texts the fleet file names.
    void installNewFirmware(const DisplayConfig &config)
    {
        if (!config.firmwareAfterUpdate.isEmpty())
            currentFirmware = config.firmwareAfterUpdate;
        if (config.hasVersionsAfterUpdate)
            fwVersions = config.fwVersionsAfterUpdate;
    }
};

// How long a display takes for the parts of an update, at time scale 1.
namespace UpdateDuration {
constexpr int kFileCheckMs = 12000;
constexpr int kUpdateMs = 90000;   // all components together
constexpr int kLegacyWriteMs = 15000; // one component
inline int scaled(const DisplayConfig &c, int ms) { return qMax(1, int(ms * c.updateTimeScale)); }
} // namespace UpdateDuration

// The display's answer to one request frame: the reply message and its type.
struct ControlAnswer
{
    char type = ControlFrame::Type::CommandReply;
    QByteArray message;
};

// How a display answers each command, get and set request of the control
// protocol. Pure logic over the display's configuration and state, so it can
// be tested without sockets. Unknown commands, commands of a family the
// display does not know, and (for a display not readable when off) every
// command but the power ones while it is off, are answered "BE".
ControlAnswer answerRequest(const DisplayConfig &config, DisplayState &state,
                            const ControlFrame::Frame &request);

// Hexadecimal text of the bytes of `text`, upper case (the form in which
// texts travel inside messages).
QByteArray hexText(const QByteArray &text);

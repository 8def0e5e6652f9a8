#pragma once

#include "simprotocol/controlframe.h"
#include "simprotocol/displayconfig.h"

// The state of a simulated display that control commands change.
struct DisplayState
{
    int powerState = 1;
    int powerSaveMode = 2;
    int updateProgress = 200; // 0..100 percent while updating; 200 idle; 208 failed
    bool uploadRequested = false;

    static DisplayState initial(const DisplayConfig &config)
    {
        DisplayState s;
        s.powerState = config.powerState;
        s.powerSaveMode = config.powerSaveMode;
        return s;
    }
};

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

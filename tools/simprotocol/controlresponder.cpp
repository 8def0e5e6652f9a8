#include "simprotocol/controlresponder.h"

#include "simprotocol/updaterequest.h"

namespace {

const QByteArray kUnknown = QByteArrayLiteral("BE");
constexpr int kAssetRoom = 64;
constexpr int kLegacyVersionRoom = 8;
constexpr int kProgressIdle = 200;
constexpr int kProgressFailed = 208;

QByteArray hex2(int v)
{
    return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray hex4(int v)
{
    return QByteArray::number(v & 0xFFFF, 16).toUpper().rightJustified(4, '0');
}

bool readHex(const QByteArray &digits, int *value)
{
    bool ok = false;
    *value = int(digits.toUInt(&ok, 16));
    return ok && !digits.isEmpty();
}

// result, op code, type, maximum, current value: the 16-character form of
// every parameter reply.
QByteArray parameterReply(int result, const QByteArray &opCode, int current)
{
    return hex2(result) + opCode + "00" + hex4(0xFFFF) + hex4(current);
}

QByteArray powerStatusReply(const DisplayState &state)
{
    return "0200D600" + hex4(4) + hex4(state.powerState);
}

bool isPowerRequest(char type, const QByteArray &m)
{
    return (type == ControlFrame::Type::Command && (m == "01D6" || m.startsWith("C203D6")))
           || (type == ControlFrame::Type::Get && m == "00D6");
}

QByteArray answerCommand(const DisplayConfig &c, DisplayState &s, const QByteArray &m)
{
    if (m == "C217")
        return "C317" + hexText(c.modelName);
    if (m == "C216")
        return "C316" + hexText(c.serialNumber);
    if (m == "01D6")
        return powerStatusReply(s);
    if (m.startsWith("C203D6") && m.size() == 10) {
        int value = 0;
        if (!readHex(m.mid(6), &value) || value < 1 || value > 4)
            return "01C203D6" + m.mid(6);
        s.powerState = value;
        return "00C203D6" + hex4(value);
    }
    if (c.knows(CommandFamily::LegacyFirmware)) {
        if (m == "C03F")
            return "C13F" + hexText(s.currentFirmware);
        if (m == "C03E") {
            QByteArray versions;
            for (const QByteArray &v : s.fwVersions)
                versions += hexText(v.left(kLegacyVersionRoom).leftJustified(kLegacyVersionRoom, '\0'));
            return "C13E" + versions;
        }
    }
    if (c.knows(CommandFamily::Asset) && m.startsWith("C00B") && m.size() == 8) {
        int offset = 0;
        int length = 0;
        if (!readHex(m.mid(4, 2), &offset) || !readHex(m.mid(6, 2), &length))
            return kUnknown;
        // Unused room reads as erased memory (0xFF), which ends the text.
        const QByteArray room = c.assetTag.left(kAssetRoom).leftJustified(kAssetRoom, '\xFF');
        return "C10B" + room.mid(offset, length);
    }
    if (c.knows(CommandFamily::PowerSave)) {
        if (m == "CA0B00")
            return "CB0B00" + hex2(s.powerSaveMode);
        if (m.startsWith("CA0B01") && m.size() == 8) {
            int mode = 0;
            if (!readHex(m.mid(6), &mode) || mode > 2)
                return QByteArrayLiteral("CB0B0101");
            s.powerSaveMode = mode;
            return QByteArrayLiteral("CB0B0100");
        }
    }
    if (c.knows(CommandFamily::Firmware) && m.startsWith("CA02") && m.size() == 6) {
        int index = 0;
        if (!readHex(m.mid(4), &index))
            return kUnknown;
        const QByteArray text = index == 0 ? s.currentFirmware
                              : index <= 4 ? s.fwVersions[size_t(index - 1)]
                                           : QByteArray();
        if (text.isEmpty())
            return "CB0201" + hex2(index); // not available
        return "CB0200" + hex2(index) + text;
    }
    return kUnknown;
}

// Progress of a running update from the time since its start; a display
// that reported 100 is idle again (200) on the next read.
int progressByClock(const DisplayConfig &c, DisplayState &s)
{
    if (s.updateProgress > 100)
        return s.updateProgress;
    if (s.updateProgress == 100) {
        s.updateProgress = kProgressIdle;
        return kProgressIdle;
    }
    const qint64 elapsed = s.clockMs - s.updateStartedMs;
    const int percent = int(qMin<qint64>(100, elapsed * 100 / UpdateDuration::scaled(c, UpdateDuration::kUpdateMs)));
    s.updateProgress = c.updateFails && percent >= 50 ? kProgressFailed : percent;
    return s.updateProgress;
}

QByteArray answerGet(const DisplayConfig &c, DisplayState &s, const QByteArray &m)
{
    if (m == "00D6")
        return parameterReply(0, m, s.powerState);
    if (c.knows(CommandFamily::Parameters) && m == "1306") {
        if (c.progressStep == 0)
            return parameterReply(0, m, progressByClock(c, s));
        const int current = s.updateProgress;
        if (current <= 100) {
            const int next = qMin(100, current + c.progressStep);
            s.updateProgress = c.updateFails && next >= 50 ? kProgressFailed : next;
            if (current == 100)
                s.updateProgress = kProgressIdle; // the update has finished
        }
        return parameterReply(0, m, current);
    }
    return kUnknown;
}

QByteArray answerSet(const DisplayConfig &c, DisplayState &s, const QByteArray &m)
{
    if (!c.knows(CommandFamily::Parameters) || m.size() != 8)
        return kUnknown;
    int value = 0;
    if (!readHex(m.mid(4), &value))
        return kUnknown;
    const QByteArray op = m.left(4);
    if (op == "1307") {
        s.uploadRequested = true;
        s.firmwareReceived = false;
        return parameterReply(0, op, c.handedOutToken());
    }
    if (op == "1303") {
        // A display of the keyed update dialect starts only with a firmware
        // file received after the token request.
        const bool keyed = UpdateRequest::dialectForSeries(c.dialectSeries()) == UpdateRequest::Dialect::Keyed;
        if (!s.uploadRequested || (keyed && !s.firmwareReceived))
            return parameterReply(1, op, 0);
        s.uploadRequested = false;
        s.firmwareReceived = false;
        if (!c.updateFaults.progressNeverStarts) {
            s.updateProgress = 0;
            s.updateStartedMs = s.clockMs;
        }
        return parameterReply(0, op, value);
    }
    return kUnknown;
}

} // namespace

QByteArray hexText(const QByteArray &text)
{
    return text.toHex().toUpper();
}

ControlAnswer answerRequest(const DisplayConfig &config, DisplayState &state,
                            const ControlFrame::Frame &request)
{
    using namespace ControlFrame;
    ControlAnswer a;
    a.type = replyTypeFor(request.type);
    constexpr int kPowerOn = 1;
    if (!config.readableWhenOff && state.powerState != kPowerOn && !isPowerRequest(request.type, request.message)) {
        a.message = kUnknown;
        return a;
    }
    switch (request.type) {
    case Type::Command: a.message = answerCommand(config, state, request.message); break;
    case Type::Get: a.message = answerGet(config, state, request.message); break;
    case Type::Set: a.message = answerSet(config, state, request.message); break;
    default:
        a.type = Type::CommandReply;
        a.message = kUnknown;
    }
    return a;
}

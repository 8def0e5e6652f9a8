#include "discovery/controlexchange.h"

#include "discovery/controlprotocol.h"
#include "discovery/displayprobes.h"

#include <iterator>

using namespace ControlProtocol;

namespace {

// Requests that change the display or carry an update step, as opposed to reads.
constexpr int kActionFlags = TCP_REQ_POWER_ON | TCP_REQ_POWER_OFF | TCP_REQ_POWER_SAVE_OFF
    | TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE | TCP_REQ_POWER_SAVE_AUTO_STANDBY | TCP_REQ_UPLOAD_REQUEST
    | TCP_REQ_START_UPDATE | TCP_REQ_UPDATE_PROGRESS;

// The order in which the flags are worked through.
constexpr int kFlagOrder[] = {
    TCP_REQ_MODEL_NAME,
    TCP_REQ_POWER_STATUS,
    TCP_REQ_SERIAL_NUMBER,
    TCP_REQ_FIRMWARE_LEGACY,
    TCP_REQ_VERIFY_IP2,
    TCP_REQ_LOCK_STATUS,
    TCP_REQ_POWER_ON,
    TCP_REQ_POWER_OFF,
    TCP_REQ_ASSET_DATA,
    TCP_REQ_POWER_SAVE_READ,
    TCP_REQ_POWER_SAVE_OFF,
    TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE,
    TCP_REQ_POWER_SAVE_AUTO_STANDBY,
    TCP_REQ_VERSIONS_LEGACY,
    TCP_REQ_FIRMWARE,
    TCP_REQ_VERSIONS,
    TCP_REQ_UPLOAD_REQUEST,
    TCP_REQ_START_UPDATE,
    TCP_REQ_UPDATE_PROGRESS,
};

constexpr int kPowerSwitchFlags = TCP_REQ_POWER_ON | TCP_REQ_POWER_OFF;
constexpr int kVersionCount = 4;
constexpr int kAssetSecondOffset = 0x20;

}

void ControlExchange::setRequestFlags(int flags)
{
    m_remaining = flags;
    m_reply.requestFlags = flags;
}

void ControlExchange::begin(const QHostAddress &address, const QHostAddress &address2)
{
    m_reply.ipAddress = address;
    m_reply.ip2CheckResult = -1;
    m_address2 = address2;
}

void ControlExchange::connected()
{
    m_versionIndex = 0;
    m_reply.tcpStatus = TcpStatus::Ok;
    m_reply.powerState = 0;
    m_reply.getParamValue = 0;
    m_retries = 0;
    m_assetOffset = 0;
    m_pendingReply.clear();
}

QByteArray ControlExchange::requestPacket(int flag) const
{
    switch (flag) {
    case TCP_REQ_MODEL_NAME:
        return buildPacket(Type::Command, "C217");
    case TCP_REQ_POWER_STATUS:
        return buildPacket(Type::Command, "01D6");
    case TCP_REQ_SERIAL_NUMBER:
        return buildPacket(Type::Command, "C216");
    case TCP_REQ_FIRMWARE_LEGACY:
        return buildPacket(Type::Command, "C03F");
    case TCP_REQ_POWER_ON:
        return buildPacket(Type::Command, "C203D60001");
    case TCP_REQ_POWER_OFF:
        return buildPacket(Type::Command, "C203D60004");
    case TCP_REQ_ASSET_DATA:
        return buildPacket(Type::Command, "C00B" + hexByte(m_assetOffset) + "20");
    case TCP_REQ_POWER_SAVE_READ:
        return buildPacket(Type::Command, "CA0B00");
    case TCP_REQ_POWER_SAVE_OFF:
        return buildPacket(Type::Command, "CA0B0102");
    case TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE:
        return buildPacket(Type::Command, "CA0B0100");
    case TCP_REQ_POWER_SAVE_AUTO_STANDBY:
        return buildPacket(Type::Command, "CA0B0101");
    case TCP_REQ_VERSIONS_LEGACY:
        return buildPacket(Type::Command, "C03E");
    case TCP_REQ_FIRMWARE:
        return buildPacket(Type::Command, "CA0200");
    case TCP_REQ_VERSIONS:
        return buildPacket(Type::Command, "CA02" + hexByte(m_versionIndex + 1));
    case TCP_REQ_UPLOAD_REQUEST:
        return buildPacket(Type::SetParameter, "13070001");
    case TCP_REQ_START_UPDATE:
        return buildPacket(Type::SetParameter, "13030001");
    case TCP_REQ_UPDATE_PROGRESS:
        return buildPacket(Type::GetParameter, "1306");
    default:
        return QByteArray();
    }
}

ControlExchange::Step ControlExchange::next()
{
    m_inFlight = 0;
    for (const int flag : kFlagOrder) {
        if (!(m_remaining & flag))
            continue;
        if (flag == TCP_REQ_VERSIONS && (m_versionIndex < 0 || m_versionIndex > kVersionCount))
            continue; // the series has ended; the flag stays set
        if (flag == TCP_REQ_VERIFY_IP2) {
            if (DisplayProbes::isUnassigned(m_address2)) {
                clear(flag);
                m_reply.ip2CheckResult = 1;
                continue;
            }
            m_inFlight = flag;
            return {Step::ProbeAlternateAddress, {}};
        }
        if (flag == TCP_REQ_LOCK_STATUS) {
            m_inFlight = flag;
            return {Step::ProbeLock, {}};
        }
        const QByteArray packet = requestPacket(flag);
        m_sendsOfLastPacket = packet == m_lastPacket ? m_sendsOfLastPacket + 1 : 1;
        m_lastPacket = packet;
        if (m_sendsOfLastPacket > kMaxSendsOfOneRequest) {
            // Answered over and over without effect: give up on it.
            clear(flag);
            m_lastPacket.clear();
            continue;
        }
        m_inFlight = flag;
        return {Step::Send, packet};
    }
    return {Step::Finished, {}};
}

bool ControlExchange::awaitingReply() const
{
    return m_inFlight != 0 && m_inFlight != TCP_REQ_VERIFY_IP2 && m_inFlight != TCP_REQ_LOCK_STATUS;
}

ControlExchange::Outcome ControlExchange::replyReceived(const QByteArray &bytes)
{
    m_pendingReply.append(bytes);
    const Frame frame = readReplyFrame(m_pendingReply);
    if (frame.check == Frame::Incomplete)
        return Outcome::Wait;
    // Anything after the first frame is dropped with it.
    m_pendingReply.clear();
    if (frame.check == Frame::Invalid)
        return settle(TcpStatus::BadReply);
    if (frame.message == "BE")
        return settle(TcpStatus::Refused);
    return settle(interpret(frame.type, frame.message));
}

ControlExchange::Outcome ControlExchange::replyTimedOut()
{
    if (!m_pendingReply.isEmpty()) {
        // A reply began but never completed.
        m_pendingReply.clear();
        return settle(TcpStatus::BadReply);
    }
    if (m_inFlight == TCP_REQ_FIRMWARE_LEGACY) {
        // Displays without the legacy firmware command stay silent: use the newer one.
        clear(TCP_REQ_FIRMWARE_LEGACY);
        m_remaining |= TCP_REQ_FIRMWARE;
        m_retries = 0;
    } else if (m_retries == 0) {
        m_retries = 1; // the same request once more
    } else if (m_inFlight & kActionFlags) {
        // A change or an update step that the display never acknowledged
        // did not happen: its caller must not read the empty reply as done.
        return settle(TcpStatus::ConnectionFailed);
    } else {
        clear(m_inFlight);
    }
    return Outcome::Continue;
}

void ControlExchange::lockProbeFinished(int downloaderStatus, const QByteArray &body)
{
    m_reply.lockStatus = DisplayProbes::lockStatusFromProbe(downloaderStatus, body);
    clear(TCP_REQ_LOCK_STATUS);
    m_inFlight = 0;
}

void ControlExchange::alternateAddressProbeFinished(int downloaderStatus, const QByteArray &body)
{
    m_reply.ip2CheckResult = DisplayProbes::ip2CheckResultFromProbe(downloaderStatus, body);
    clear(TCP_REQ_VERIFY_IP2);
    m_inFlight = 0;
}

void ControlExchange::connectionFailed()
{
    m_reply.tcpStatus = TcpStatus::ConnectionFailed;
}

ControlExchange::Outcome ControlExchange::settle(int code)
{
    if (code == TcpStatus::Ok)
        return Outcome::Continue;
    if (code == TcpStatus::Refused) {
        switch (m_inFlight) {
        case TCP_REQ_ASSET_DATA:
        case TCP_REQ_POWER_SAVE_READ:
        case TCP_REQ_VERSIONS:
            clear(m_inFlight);
            return Outcome::Continue;
        case TCP_REQ_FIRMWARE_LEGACY:
            clear(TCP_REQ_FIRMWARE_LEGACY);
            m_remaining |= TCP_REQ_FIRMWARE;
            return Outcome::Continue;
        case TCP_REQ_VERSIONS_LEGACY:
            // A display without the legacy version read has no firmware texts to read either.
            clear(TCP_REQ_VERSIONS_LEGACY | TCP_REQ_VERSIONS | TCP_REQ_FIRMWARE);
            return Outcome::Continue;
        default:
            break;
        }
    }
    m_reply.tcpStatus = code;
    return Outcome::Stop;
}

int ControlExchange::interpret(char type, const QByteArray &message)
{
    if (type == Type::CommandReply)
        return interpretCommandReply(message);
    return interpretParameterReply(type, message);
}

int ControlExchange::interpretPowerSwitchReply(const QByteArray &message)
{
    clear(kPowerSwitchFlags);
    if (message.size() < 12)
        return TcpStatus::BadReply;
    const int result = hexField(message.mid(0, 2));
    const int code = hexField(message.mid(2, 4));
    const int opCode = hexField(message.mid(6, 2));
    const int value = hexField(message.mid(8, 4));
    if (result != 0 || code != 0xC203 || opCode != 0xD6 || value < 0)
        return TcpStatus::BadReply;
    m_reply.powerState = value;
    return TcpStatus::Ok;
}

int ControlExchange::interpretCommandReply(const QByteArray &message)
{
    if (m_inFlight & kPowerSwitchFlags)
        return interpretPowerSwitchReply(message);
    if (message.size() < 4)
        return TcpStatus::BadReply;
    const QByteArray rest = message.mid(4);
    switch (hexField(message.left(4))) {
    case 0xC317:
        m_reply.modelName = decodeHexText(rest);
        clear(TCP_REQ_MODEL_NAME);
        return TcpStatus::Ok;
    case 0x0200:
        // "D600", a value not used, and the power mode; any other form carries no
        // usable state, and asking again would only repeat it.
        if (rest.size() == 12 && rest.startsWith("D600") && hexField(rest.mid(4, 4)) >= 0
            && hexField(rest.mid(8, 4)) >= 0)
            m_reply.powerState = hexField(rest.mid(8, 4));
        clear(TCP_REQ_POWER_STATUS);
        return TcpStatus::Ok;
    case 0xC316:
        m_reply.serialNumber = decodeHexText(rest);
        clear(TCP_REQ_SERIAL_NUMBER);
        return TcpStatus::Ok;
    case 0xC13F:
        m_reply.currentFirmware = decodeHexText(rest);
        clear(TCP_REQ_FIRMWARE_LEGACY);
        return TcpStatus::Ok;
    case 0xC13E:
        if (rest.size() >= 16 * kVersionCount) {
            for (int i = 0; i < kVersionCount; ++i)
                m_reply.fwVersions[i] = decodeHexText(rest.mid(16 * i, 16));
        }
        clear(TCP_REQ_VERSIONS_LEGACY);
        return TcpStatus::Ok;
    case 0xC10B:
        m_reply.assetTag += decodeRawText(rest, true);
        if (m_assetOffset == 0)
            m_assetOffset = kAssetSecondOffset; // the second half comes next
        else
            clear(TCP_REQ_ASSET_DATA);
        return TcpStatus::Ok;
    case 0xCB0B:
        interpretPowerSaveReply(rest);
        clear(m_inFlight);
        return TcpStatus::Ok;
    case 0xCB02:
        return interpretFirmwareText(rest);
    default:
        return TcpStatus::Refused;
    }
}

void ControlExchange::interpretPowerSaveReply(const QByteArray &rest)
{
    const int result = hexField(rest.mid(0, 2));
    const int value = hexField(rest.mid(2, 2));
    if (rest.size() < 4)
        m_reply.powerSaveMode = -1;
    else if (result == 0)
        m_reply.powerSaveMode = value >= 0 && value <= 2 ? value : -1;
    else if (result == 1)
        m_reply.powerSaveMode = value == 0 ? modeBeingSet() : -1; // a mode change accepted
    else
        m_reply.powerSaveMode = -1;
}

int ControlExchange::modeBeingSet() const
{
    // The display acknowledges every change with the same answer; record
    // the mode it was asked for, so that the row shows what the display now
    // does and a later update knows whether power saving must be switched off.
    switch (m_inFlight) {
    case TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE:
        return 0;
    case TCP_REQ_POWER_SAVE_AUTO_STANDBY:
        return 1;
    default:
        return 2;
    }
}

int ControlExchange::interpretFirmwareText(const QByteArray &rest)
{
    if (rest.size() < 4)
        return TcpStatus::BadReply;
    const int result = hexField(rest.mid(0, 2));
    const int index = hexField(rest.mid(2, 2));
    if (result != 0) {
        if (m_inFlight == TCP_REQ_VERSIONS || m_inFlight == TCP_REQ_FIRMWARE)
            clear(m_inFlight);
        return TcpStatus::Ok;
    }
    if (index < 0)
        return TcpStatus::BadReply;
    const QString text = decodeRawText(rest.mid(4), false);
    if (index == 0) {
        m_reply.currentFirmware = text;
        clear(TCP_REQ_FIRMWARE);
    } else if (index <= kVersionCount) {
        m_reply.fwVersions[index - 1] = text;
        ++m_versionIndex;
        if (index == kVersionCount)
            clear(TCP_REQ_VERSIONS);
    } else {
        m_versionIndex = -1;
        clear(TCP_REQ_VERSIONS);
    }
    return TcpStatus::Ok;
}

int ControlExchange::interpretParameterReply(char type, const QByteArray &message)
{
    if (message.size() != 16)
        return TcpStatus::BadReply;
    const int result = hexField(message.mid(0, 2));
    const int opCode = hexField(message.mid(2, 4));
    const int current = hexField(message.mid(12, 4));
    if (result < 0 || opCode < 0 || hexField(message.mid(6, 2)) < 0 || hexField(message.mid(8, 4)) < 0
        || current < 0)
        return TcpStatus::BadReply;
    if (result == 0) {
        if (opCode == 0x00D6)
            m_reply.powerState = current;
        else if (opCode == 0x1307 || (opCode == 0x1303 && type == Type::SetReply))
            m_reply.setParamValue = current;
        else if (opCode == 0x1306 && type == Type::GetReply)
            m_reply.getParamValue = current;
    }
    clear(m_inFlight);
    return TcpStatus::Ok;
}

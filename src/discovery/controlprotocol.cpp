#include "discovery/controlprotocol.h"

namespace ControlProtocol {

namespace {

constexpr char SOH = 0x01;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char CR = 0x0D;
// Header (SOH .. length digits and STX) before the message, and the trailer after it.
constexpr int kHeaderBytes = 8;
constexpr int kMinFrameBytes = 11;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

char blockCheck(const QByteArray &bytes, int from, int to)
{
    char bcc = 0;
    for (int i = from; i <= to; ++i)
        bcc ^= bytes.at(i);
    return bcc;
}

bool isReplyType(char type)
{
    return type == Type::CommandReply || type == Type::GetReply || type == Type::SetReply;
}

QString textFromBytes(const QByteArray &bytes)
{
    return QString::fromUtf8(truncateUtf8(bytes, kMaxTextBytes));
}

}

QByteArray buildPacket(char type, const QByteArray &message)
{
    QByteArray packet;
    packet.reserve(message.size() + 11);
    packet.append(SOH).append('0').append('*').append('0').append(type);
    packet.append(hexByte(message.size() + 2));
    packet.append(STX).append(message).append(ETX);
    packet.append(blockCheck(packet, 1, packet.size() - 1));
    packet.append(CR);
    return packet;
}

Frame readReplyFrame(const QByteArray &buffer)
{
    Frame frame;
    const int size = buffer.size();
    // Every fixed header byte that has arrived must already be right.
    const auto headerByteOk = [&](int index, bool ok) { return index >= size || ok; };
    if (!headerByteOk(0, size > 0 && buffer.at(0) == SOH) || !headerByteOk(1, size > 1 && buffer.at(1) == '0')
        || !headerByteOk(2, size > 2 && buffer.at(2) == '0')
        || !headerByteOk(4, size > 4 && isReplyType(buffer.at(4)))
        || !headerByteOk(7, size > 7 && buffer.at(7) == STX))
        return frame;
    if (size < kHeaderBytes) {
        frame.check = Frame::Incomplete;
        return frame;
    }
    // A length digit that is not hexadecimal counts as 0.
    const int length = qMax(hexDigit(buffer.at(5)), 0) * 16 + qMax(hexDigit(buffer.at(6)), 0);
    if (length < 2)
        return frame;
    const int etx = length + 6;
    if (size < qMax(kMinFrameBytes, length + 9)) {
        frame.check = Frame::Incomplete;
        return frame;
    }
    if (buffer.at(etx) != ETX || buffer.at(length + 8) != CR
        || buffer.at(length + 7) != blockCheck(buffer, 1, etx))
        return frame;
    frame.check = Frame::Complete;
    frame.type = buffer.at(4);
    frame.message = buffer.mid(kHeaderBytes, length - 2);
    return frame;
}

int hexField(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > 7)
        return -1;
    int value = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

QByteArray hexByte(int value)
{
    return QByteArray::number(value & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QString decodeHexText(const QByteArray &pairs)
{
    QByteArray bytes;
    const int count = pairs.size() / 2;
    bytes.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int value = hexField(pairs.mid(2 * i, 2));
        if (value <= 0 || value == '\n')
            break;
        bytes.append(char(value));
    }
    return textFromBytes(bytes);
}

QString decodeRawText(const QByteArray &raw, bool assetData)
{
    int end = 0;
    while (end < raw.size()) {
        const char c = raw.at(end);
        if (c == '\0' || c == '\n' || (assetData && c == '\xFF'))
            break;
        ++end;
    }
    return textFromBytes(raw.left(end));
}

QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes)
{
    if (utf8.size() <= maxBytes)
        return utf8;
    int end = maxBytes;
    // Back up over the continuation bytes (at most three) of the character that does not fit.
    const int lowest = qMax(0, maxBytes - 3);
    while (end > lowest && (uchar(utf8.at(end)) & 0xC0) == 0x80)
        --end;
    return utf8.left(end);
}

}

#include "simprotocol/controlframe.h"

namespace ControlFrame {

namespace {

constexpr char SOH = 0x01;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char CR = 0x0D;
constexpr int kHeaderSize = 7;           // SOH .. length digits
constexpr int kMaxLength = 0xFF;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

char replyTypeFor(char requestType)
{
    switch (requestType) {
    case Type::Command: return Type::CommandReply;
    case Type::Get: return Type::GetReply;
    case Type::Set: return Type::SetReply;
    default: return 0;
    }
}

quint8 blockCheckCode(const QByteArray &bytes, int from, int to)
{
    quint8 bcc = 0;
    for (int i = from; i <= to; ++i)
        bcc ^= quint8(bytes.at(i));
    return bcc;
}

QByteArray encode(const Frame &frame)
{
    const int length = int(frame.message.size()) + 2;
    QByteArray d;
    d.reserve(length + 9);
    d.append(SOH).append('0').append(frame.destination).append(frame.source).append(frame.type);
    d.append(QByteArray::number(length, 16).toUpper().rightJustified(2, '0'));
    d.append(STX).append(frame.message).append(ETX);
    d.append(char(blockCheckCode(d, 1, int(d.size()) - 1)));
    d.append(CR);
    return d;
}

QByteArray encodeReply(char displayId, char type, const QByteArray &message)
{
    return encode(Frame{'0', displayId, type, message});
}

Decode decode(const QByteArray &buffer, Frame *frame, int *consumed)
{
    *consumed = 0;
    if (buffer.isEmpty())
        return Decode::Incomplete;
    if (buffer.at(0) != SOH) {
        const int next = buffer.indexOf(SOH);
        *consumed = next < 0 ? int(buffer.size()) : next;
        return Decode::Malformed;
    }
    if (buffer.size() < kHeaderSize)
        return Decode::Incomplete;
    const int hi = hexValue(buffer.at(5));
    const int lo = hexValue(buffer.at(6));
    if (buffer.at(1) != '0' || hi < 0 || lo < 0 || hi * 16 + lo < 2 || hi * 16 + lo > kMaxLength) {
        *consumed = 1;
        return Decode::Malformed;
    }
    const int length = hi * 16 + lo;
    const int total = length + 9;
    if (buffer.size() < total)
        return Decode::Incomplete;
    if (buffer.at(7) != STX || buffer.at(length + 6) != ETX || buffer.at(length + 8) != CR) {
        *consumed = 1;
        return Decode::Malformed;
    }
    *consumed = total;
    if (blockCheckCode(buffer, 1, length + 6) != quint8(buffer.at(length + 7)))
        return Decode::BadBlockCheck;
    frame->destination = buffer.at(2);
    frame->source = buffer.at(3);
    frame->type = buffer.at(4);
    frame->message = buffer.mid(8, length - 2);
    return Decode::Ok;
}

} // namespace ControlFrame

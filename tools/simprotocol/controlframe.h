#pragma once

#include <QByteArray>

// Framing of the display control protocol on TCP port 7142, both directions:
//   SOH '0' destination source type L(2 hex) STX message ETX BCC CR
// where L is the message length + 2 and BCC is the XOR of every byte from
// the '0' after SOH up to and including ETX.
namespace ControlFrame {

constexpr quint16 kPort = 7142;

// Message types: requests A/C/E, the display's replies B/D/F.
namespace Type {
constexpr char Command = 'A';
constexpr char CommandReply = 'B';
constexpr char Get = 'C';
constexpr char GetReply = 'D';
constexpr char Set = 'E';
constexpr char SetReply = 'F';
} // namespace Type

// The reply type that answers a request type, or 0 for anything else.
char replyTypeFor(char requestType);

struct Frame
{
    char destination = '*';
    char source = '0';
    char type = Type::Command;
    QByteArray message;
};

// A reply from the display `displayId` to the controller.
QByteArray encodeReply(char displayId, char type, const QByteArray &message);
QByteArray encode(const Frame &frame);

quint8 blockCheckCode(const QByteArray &bytes, int from, int to);

enum class Decode {
    Ok,
    Incomplete,     // more bytes are needed
    Malformed,      // not a frame at this position
    BadBlockCheck,  // a complete frame whose BCC does not match
};

// Decodes the frame at the start of `buffer`. On Ok and BadBlockCheck
// `*consumed` is the frame's length; on Malformed it is the number of bytes
// to skip before a frame could start (at least 1).
Decode decode(const QByteArray &buffer, Frame *frame, int *consumed);

} // namespace ControlFrame

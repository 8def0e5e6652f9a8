#pragma once

#include <QByteArray>
#include <QString>

// Encoding and decoding of the displays' TCP control protocol frames:
//   SOH '0' dest src type len(2 hex) STX message ETX bcc CR
// where len counts the message plus STX and ETX, and bcc is the XOR of
// every byte from the '0' after SOH through ETX. Plain functions over byte
// arrays, free of sockets.
namespace ControlProtocol {

constexpr quint16 kPort = 7142;
// Decoded texts are limited to this many bytes (cut at a character boundary).
constexpr int kMaxTextBytes = 127;

namespace Type {
constexpr char Command = 0x41;
constexpr char CommandReply = 0x42;
constexpr char GetParameter = 0x43;
constexpr char GetReply = 0x44;
constexpr char SetParameter = 0x45;
constexpr char SetReply = 0x46;
}

// A request from this controller (source '0') to every monitor (destination '*').
QByteArray buildPacket(char type, const QByteArray &message);

struct Frame
{
    enum Check {
        Complete,   // a whole, valid reply frame starts the buffer
        Incomplete, // what is there is a valid beginning; more bytes are needed
        Invalid,    // the bytes cannot be a reply frame
    };
    Check check = Invalid;
    char type = 0;
    QByteArray message; // the message between STX and ETX (Complete only)
};

// Reads the reply frame at the start of `buffer`; bytes after it are ignored.
Frame readReplyFrame(const QByteArray &buffer);

// Value of a field of hexadecimal digits (either case); -1 when the field is
// empty or holds anything else.
int hexField(const QByteArray &digits);
// Two upper-case hexadecimal digits of a byte value.
QByteArray hexByte(int value);

// A text sent as hexadecimal byte pairs ("4B35" -> "K5"). An odd last digit
// is ignored; a byte LF or NUL (or a pair that is not hexadecimal) ends the text.
QString decodeHexText(const QByteArray &pairs);
// A text sent as raw bytes. LF or NUL ends it; in asset data 0xFF does too.
QString decodeRawText(const QByteArray &raw, bool assetData);
// The longest prefix of `utf8` of at most `maxBytes` that does not split a
// multi-byte character.
QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes);

}

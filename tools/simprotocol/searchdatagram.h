#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

// Byte layouts of the display search protocol on UDP port 5320, seen from the
// display's side: the 128-byte request it receives, the 256-byte reply it
// sends and the 256-byte acknowledgement that follows a reply of type 2.
// Multi-byte integers are little-endian.
namespace SearchDatagram {

constexpr quint16 kPort = 5320;
constexpr int kRequestSize = 128;
constexpr int kReplySize = 256;
constexpr int kAcknowledgementSize = 256;

constexpr quint32 kRequestBroadcast = 2;
constexpr quint32 kRequestTargeted = 3;
constexpr quint32 kRequestAcknowledgement = 5;

// Reply types the application treats specially: 2 asks for an
// acknowledgement, 8 is accepted without further checks.
constexpr quint32 kReplyNeedsAcknowledgement = 2;
constexpr quint32 kReplyUnchecked = 8;

struct Request
{
    quint16 sequence = 0;
    quint16 length = 0x70;
    quint32 timestamp = 0;
    quint32 requestType = 0;
    quint32 filterA = 0;
    quint32 filterB = 0;
};

enum class RequestCheck {
    Ok,
    WrongSize,
    WrongMagic,
    WrongHeader, // byte 4 or the length word is not what a client sends
};

// Reads a search request (128 bytes) or an acknowledgement (256 bytes whose
// first 128 bytes are a request of type 5 and whose rest is zero).
RequestCheck parseRequest(const QByteArray &datagram, Request *out);
QByteArray encodeRequest(const Request &request);

// True when `datagram` is exactly the acknowledgement a client owes for
// `request`: the request bytes with type 5, followed by 128 zero bytes.
bool isAcknowledgementOf(const QByteArray &datagram, const Request &request);

// Everything a display writes into its reply. Texts are cut to their room
// (a text that fills its room has no NUL, as on a real display).
struct Reply
{
    QByteArray magic = QByteArrayLiteral("KRWD");
    quint16 sequence = 0;
    quint32 replyType = kReplyUnchecked;
    QByteArray identity;
    std::array<quint8, 6> mac{};
    QByteArray modelName;
    quint32 matchFlagsA = 0x31;
    quint32 matchFlagsB = 0x100;
    quint8 statusByte = '*';
    quint8 seriesCode = 0;
    quint32 address2 = 0; // IPv4 in host order; written in network order
    std::array<QByteArray, 4> fwVersions;
    QByteArray currentFirmware;
};

QByteArray encodeReply(const Reply &reply);

// Offsets of the reply fields (the application reads these).
namespace ReplyOffset {
constexpr int Magic = 0;
constexpr int Sequence = 8;
constexpr int ReplyType = 16;
constexpr int Identity = 32;
constexpr int Mac = 56;
constexpr int ModelName = 96;
constexpr int MatchFlagsA = 144;
constexpr int MatchFlagsB = 148;
constexpr int Status = 152;
constexpr int Series = 156;
constexpr int Address2 = 168;
constexpr int Fw1 = 180;
constexpr int Fw2 = 189;
constexpr int Fw3 = 198;
constexpr int Fw4 = 207;
constexpr int CurrentFirmware = 226;
} // namespace ReplyOffset

} // namespace SearchDatagram

#include "discovery/searchdatagrams.h"

#include <QtEndian>

namespace UdpSearch {

namespace {

namespace RequestOffset {
constexpr int Magic = 0;
constexpr int Marker = 4;
constexpr int Sequence = 8;
constexpr int Length = 10;
constexpr int TimeStamp = 12;
constexpr int Type = 16;
constexpr int FilterA = 24;
constexpr int FilterB = 28;
}

namespace ReplyOffset {
constexpr int Magic = 0;
constexpr int Sequence = 8;
constexpr int Type = 16;
constexpr int Identity = 32;
constexpr int Mac = 56;
constexpr int ModelName = 96;
constexpr int MatchFlagsA = 144;
constexpr int MatchFlagsB = 148;
constexpr int Status = 152;
constexpr int Series = 156;
constexpr int Address2 = 168;
constexpr int FirmwareVersions[4] = {180, 189, 198, 207};
constexpr int CurrentFirmware = 226;
}

constexpr quint8 kRequestMarker = 0x14;
constexpr quint16 kRequestLength = 0x70;
constexpr quint32 kFilterWordA = 0x31;
constexpr quint32 kFilterWordB = 0x100;
constexpr quint32 kReplyAcknowledgementDue = 2;
constexpr quint32 kReplyUnchecked = 8;
constexpr int kMaxListableStatus = 100;
constexpr int kMacLength = 6;

void put16(QByteArray &data, int offset, quint16 value)
{
    qToLittleEndian(value, data.data() + offset);
}

void put32(QByteArray &data, int offset, quint32 value)
{
    qToLittleEndian(value, data.data() + offset);
}

// Readers for a datagram of unknown length: bytes past its end read as 0.
quint8 byteAt(const QByteArray &data, int offset)
{
    return offset < data.size() ? static_cast<quint8>(data.at(offset)) : 0;
}

quint16 get16(const QByteArray &data, int offset)
{
    return quint16(byteAt(data, offset) | byteAt(data, offset + 1) << 8);
}

quint32 get32(const QByteArray &data, int offset)
{
    return quint32(get16(data, offset)) | quint32(get16(data, offset + 2)) << 16;
}

// A text runs from its offset to the first NUL; a text that fills its room
// runs on into the following fields, but never past the datagram.
QString textAt(const QByteArray &data, int offset)
{
    if (offset >= data.size())
        return QString();
    const int end = data.indexOf('\0', offset);
    const int length = (end < 0 ? data.size() : end) - offset;
    return QString::fromLatin1(data.constData() + offset, length);
}

QString macText(const QByteArray &data)
{
    QString text = QStringLiteral("%1-%2-%3-%4-%5-%6");
    for (int i = 0; i < kMacLength; ++i)
        text = text.arg(byteAt(data, ReplyOffset::Mac + i), 2, 16, QLatin1Char('0'));
    return text.toUpper();
}

bool passesFilter(const QByteArray &reply, int filterMode)
{
    switch (filterMode) {
    case FilterMatchFlagsA:
        return (byteAt(reply, ReplyOffset::MatchFlagsA) & kFilterWordA) != 0;
    case FilterMatchFlagsB:
        return (get32(reply, ReplyOffset::MatchFlagsB) & kFilterWordB) != 0;
    case FilterNone:
        return true;
    default:
        return false;
    }
}

}

bool isValidFilterMode(int mode)
{
    return mode >= FilterMatchFlagsA && mode <= FilterNone;
}

QByteArray buildRequest(quint16 sequence, quint32 timeStamp, RequestType type, int filterMode)
{
    QByteArray request(kRequestSize, '\0');
    request.replace(RequestOffset::Magic, 4, QByteArrayLiteral("KRWJ"));
    request[RequestOffset::Marker] = char(kRequestMarker);
    put16(request, RequestOffset::Sequence, sequence);
    put16(request, RequestOffset::Length, kRequestLength);
    put32(request, RequestOffset::TimeStamp, timeStamp);
    put32(request, RequestOffset::Type, type);
    if (filterMode == FilterMatchFlagsA)
        put32(request, RequestOffset::FilterA, kFilterWordA);
    else if (filterMode == FilterMatchFlagsB)
        put32(request, RequestOffset::FilterB, kFilterWordB);
    return request;
}

QByteArray buildAcknowledgement(const QByteArray &request)
{
    QByteArray ack = request.left(kRequestSize);
    ack.append(kAcknowledgementSize - ack.size(), '\0');
    put32(ack, RequestOffset::Type, RequestAcknowledgement);
    return ack;
}

ReplyVerdict classifyReply(const QByteArray &reply, quint16 sequence, int filterMode,
                           bool senderIsTarget)
{
    if (reply.size() != kReplySize)
        return ReplyVerdict::Dropped;
    const quint32 type = get32(reply, ReplyOffset::Type);
    if (type == kReplyUnchecked)
        return ReplyVerdict::Accepted;
    const QByteArray magic = reply.mid(ReplyOffset::Magic, 4);
    if (magic != "KRWD" && magic != "KRWJ")
        return ReplyVerdict::Dropped;
    if (get16(reply, ReplyOffset::Sequence) != sequence)
        return ReplyVerdict::Dropped;
    if (!passesFilter(reply, filterMode))
        return ReplyVerdict::Dropped;
    if (byteAt(reply, ReplyOffset::Identity) == 0)
        return ReplyVerdict::Dropped;
    if (type == kReplyAcknowledgementDue)
        return ReplyVerdict::AcceptedAcknowledgementDue;
    return senderIsTarget ? ReplyVerdict::Accepted : ReplyVerdict::Dropped;
}

bool hasListableStatus(const QByteArray &reply)
{
    return byteAt(reply, ReplyOffset::Status) <= kMaxListableStatus;
}

DISPLAY_UDP_SEARCH_REPLY_INFO parseReply(const QByteArray &reply, const QHostAddress &sender)
{
    DISPLAY_UDP_SEARCH_REPLY_INFO info;
    const char status = char(byteAt(reply, ReplyOffset::Status));
    info.statusChar = status == '*' ? 1 : int(static_cast<qint8>(status));
    info.modelName = textAt(reply, ReplyOffset::ModelName).trimmed();
    info.ipAddress = plainIPv4(sender);
    for (int i = 0; i < 4; ++i)
        info.fwVersions[i] = textAt(reply, ReplyOffset::FirmwareVersions[i]).trimmed();
    info.currentFirmware = textAt(reply, ReplyOffset::CurrentFirmware).trimmed();
    info.series = byteAt(reply, ReplyOffset::Series);
    if (udpSeriesHasIP2(info.series)) {
        // Stored in network byte order, unlike the protocol's other integers.
        const quint32 address2 = quint32(byteAt(reply, ReplyOffset::Address2)) << 24
            | quint32(byteAt(reply, ReplyOffset::Address2 + 1)) << 16
            | quint32(byteAt(reply, ReplyOffset::Address2 + 2)) << 8
            | quint32(byteAt(reply, ReplyOffset::Address2 + 3));
        info.ipAddress2 = QHostAddress(address2);
    }
    info.macAddress = macText(reply);
    return info;
}

bool udpSeriesHasIP2(int seriesCode)
{
    return (seriesCode >= 3 && seriesCode <= 6) || seriesCode == 69;
}

bool hasIPv4Form(const QHostAddress &address)
{
    bool ok = false;
    return address.toIPv4Address(&ok) != 0 && ok;
}

QHostAddress plainIPv4(const QHostAddress &address)
{
    return hasIPv4Form(address) ? QHostAddress(address.toIPv4Address()) : address;
}

}

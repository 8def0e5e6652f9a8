#include "simprotocol/searchdatagram.h"

#include <QtEndian>

#include <array>

namespace SearchDatagram {

namespace {

const QByteArray kRequestMagic = QByteArrayLiteral("KRWJ");
constexpr quint8 kRequestMarker = 0x14;

// Datagrams are assembled in fixed-size local buffers.
template<size_t N>
using Buffer = std::array<char, N>;

template<typename T, size_t N>
void put(Buffer<N> &d, int offset, T value)
{
    qToLittleEndian<T>(value, d.data() + offset);
}

template<typename T>
T get(const QByteArray &d, int offset)
{
    return qFromLittleEndian<T>(d.constData() + offset);
}

template<size_t N>
void putText(Buffer<N> &d, int offset, int room, const QByteArray &text)
{
    const int n = qMin(room, int(text.size()));
    for (int i = 0; i < n; ++i)
        d[size_t(offset + i)] = text.at(i);
}

} // namespace

RequestCheck parseRequest(const QByteArray &datagram, Request *out)
{
    if (datagram.size() != kRequestSize && datagram.size() != kAcknowledgementSize)
        return RequestCheck::WrongSize;
    if (!datagram.startsWith(kRequestMagic))
        return RequestCheck::WrongMagic;
    Request r;
    r.sequence = get<quint16>(datagram, 8);
    r.length = get<quint16>(datagram, 10);
    r.timestamp = get<quint32>(datagram, 12);
    r.requestType = get<quint32>(datagram, 16);
    r.filterA = get<quint32>(datagram, 24);
    r.filterB = get<quint32>(datagram, 28);
    if (quint8(datagram.at(4)) != kRequestMarker || r.length != 0x70)
        return RequestCheck::WrongHeader;
    // A 256-byte datagram is only ever an acknowledgement.
    if ((datagram.size() == kAcknowledgementSize) != (r.requestType == kRequestAcknowledgement))
        return RequestCheck::WrongSize;
    if (out)
        *out = r;
    return RequestCheck::Ok;
}

QByteArray encodeRequest(const Request &request)
{
    Buffer<kRequestSize> d{};
    putText(d, 0, 4, kRequestMagic);
    d[4] = char(kRequestMarker);
    put<quint16>(d, 8, request.sequence);
    put<quint16>(d, 10, request.length);
    put<quint32>(d, 12, request.timestamp);
    put<quint32>(d, 16, request.requestType);
    put<quint32>(d, 24, request.filterA);
    put<quint32>(d, 28, request.filterB);
    return QByteArray(d.data(), int(d.size()));
}

bool isAcknowledgementOf(const QByteArray &datagram, const Request &request)
{
    Request ack = request;
    ack.requestType = kRequestAcknowledgement;
    return datagram == encodeRequest(ack) + QByteArray(kAcknowledgementSize - kRequestSize, '\0');
}

QByteArray encodeReply(const Reply &reply)
{
    using namespace ReplyOffset;
    Buffer<kReplySize> d{};
    putText(d, Magic, 4, reply.magic);
    put<quint16>(d, Sequence, reply.sequence);
    put<quint32>(d, ReplyType, reply.replyType);
    putText(d, Identity, Mac - Identity, reply.identity);
    for (size_t i = 0; i < 6; ++i)
        d[Mac + i] = char(reply.mac[i]);
    putText(d, ModelName, MatchFlagsA - ModelName, reply.modelName);
    put<quint32>(d, MatchFlagsA, reply.matchFlagsA);
    put<quint32>(d, MatchFlagsB, reply.matchFlagsB);
    d[Status] = char(reply.statusByte);
    d[Series] = char(reply.seriesCode);
    qToBigEndian<quint32>(reply.address2, d.data() + Address2);
    const int fwOffsets[] = {Fw1, Fw2, Fw3, Fw4, CurrentFirmware};
    for (int i = 0; i < 4; ++i)
        putText(d, fwOffsets[i], fwOffsets[i + 1] - fwOffsets[i], reply.fwVersions[size_t(i)]);
    putText(d, CurrentFirmware, kReplySize - CurrentFirmware, reply.currentFirmware);
    return QByteArray(d.data(), int(d.size()));
}

} // namespace SearchDatagram

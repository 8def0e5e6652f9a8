#pragma once

#include "discovery/udpsearchreplyinfo.h"

#include <QByteArray>
#include <QHostAddress>

// The display search protocol on UDP port 5320, seen from the application:
// the 128-byte request, the 256-byte acknowledgement, and the checks and
// decoding of a 256-byte reply. Plain functions over byte arrays, so they
// can be tested and fuzzed without sockets. Integers are little-endian.
namespace UdpSearch {

constexpr quint16 kSearchPort = 5320;
constexpr int kRequestSize = 128;
constexpr int kReplySize = 256;
constexpr int kAcknowledgementSize = 256;

// Request type at offset 16 of a request.
enum RequestType : quint32 {
    RequestBroadcast = 2,
    RequestTargeted = 3,
    RequestAcknowledgement = 5,
};

// Which displays a search asks for; the application always uses
// FilterMatchFlagsB. FilterUnset (or any value outside 1..3) lets no
// search start.
enum FilterMode {
    FilterUnset = 0,
    FilterMatchFlagsA = 1,
    FilterMatchFlagsB = 2,
    FilterNone = 3,
};

bool isValidFilterMode(int mode);

// The search request. `timeStamp` is the low 32 bits of the milliseconds
// since the epoch when the search started. An invalid filter mode leaves
// both filter words 0.
QByteArray buildRequest(quint16 sequence, quint32 timeStamp, RequestType type, int filterMode);

// What the application owes a display that sent a reply of type 2: the
// current request with its type set to acknowledgement, padded with zeros.
QByteArray buildAcknowledgement(const QByteArray &request);

enum class ReplyVerdict {
    Dropped,
    Accepted,
    AcceptedAcknowledgementDue,
};

// Applies the acceptance rules, in order, to one 256-byte datagram (any
// other size is dropped). `senderIsTarget` tells whether the sender is an
// address of the target list.
ReplyVerdict classifyReply(const QByteArray &reply, quint16 sequence, int filterMode,
                           bool senderIsTarget);

// Displays mark themselves with status characters above 100 when they must
// not be listed; such replies are dropped after any acknowledgement.
bool hasListableStatus(const QByteArray &reply);

// Decodes the fields of a reply. Texts end at their first NUL or, failing
// that, at the end of the datagram; bytes beyond a short datagram read as 0.
DISPLAY_UDP_SEARCH_REPLY_INFO parseReply(const QByteArray &reply, const QHostAddress &sender);

// Series codes whose replies carry a second IP address (3, 4, 5, 6 and 69).
bool udpSeriesHasIP2(int seriesCode);

// True when the address converts to a non-zero IPv4 number (plain IPv4 or
// IPv4-mapped IPv6). IPv6, the null address and 0.0.0.0 have no IPv4 form.
bool hasIPv4Form(const QHostAddress &address);

// The plain IPv4 address for an address with an IPv4 form, else the address
// unchanged; IPv4-mapped senders then compare equal to their IPv4 address.
QHostAddress plainIPv4(const QHostAddress &address);

}

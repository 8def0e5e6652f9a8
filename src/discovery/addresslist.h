#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// The operator's targeted-search text: one entry per line, each a single
// IPv4 address "a.b.c.d", a wildcard "a.b.c.*" (a.b.c.1 to a.b.c.254) or a
// range "a.b.c.d - e.f.g.h"; empty lines and lines starting with ";" or "#"
// are ignored. It expands into a sorted list of distinct IPv4 addresses.
// 0.0.0.0, which no search can be sent to, is refused as a format error.
namespace AddressList {

enum Result {
    Ok = 0,
    TooManyAddresses = -2001,
    FormatError = -2002,
    InvalidRange = -2003,
};

// The list holds at most this many addresses (a new one is still added
// while it holds 4096), and a range spans fewer than 4096 steps.
constexpr int kMaxAddresses = 4097;
constexpr quint32 kMaxRangeSpan = 4096;

// The message for a parse result, naming the (1-based) line; empty for Ok.
QString errorText(int result, int line);

// The list for the stored text at start-up: what the text expands to, or,
// when it no longer parses completely, the addresses collected before the
// parse stopped.
QList<QHostAddress> addressesFromText(const QString &text);

}

// Expands `text` into `list` (emptied first, sorted on return, holding what
// was collected up to the point where parsing stopped). Returns an
// AddressList::Result; on failure sets `errorLine` to the failing line.
int parseAddressList(const QString &text, QList<QHostAddress> &list, int &errorLine);

#include "discovery/addresslist.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>

namespace {

const QRegularExpression &singleAddressPattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\."
        "(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)$"));
    return pattern;
}

const QRegularExpression &wildcardPattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\."
        "(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.\\*$"));
    return pattern;
}

// The 32-bit value of the octets captured by one of the patterns above
// (decimal, so leading zeros do not make an octal number).
quint32 valueOfOctets(const QRegularExpressionMatch &match, int octets)
{
    quint32 value = 0;
    for (int i = 1; i <= octets; ++i)
        value = value << 8 | quint32(match.captured(i).toUInt());
    return value;
}

// An address a search can be sent to: 0.0.0.0 is none.
bool parseSingle(const QString &text, quint32 *value)
{
    const QRegularExpressionMatch match = singleAddressPattern().match(text);
    if (!match.hasMatch())
        return false;
    *value = valueOfOctets(match, 4);
    return *value != 0;
}

// Collects distinct addresses up to the limit.
class AddressCollector
{
public:
    // False when the address is new but the list is full.
    bool add(quint32 value)
    {
        if (m_seen.contains(value))
            return true;
        if (m_values.size() >= AddressList::kMaxAddresses)
            return false;
        m_seen.insert(value);
        m_values.append(value);
        return true;
    }

    bool addRange(quint32 first, quint32 last)
    {
        for (quint32 value = first;; ++value) {
            if (!add(value))
                return false;
            if (value == last)
                return true;
        }
    }

    QList<QHostAddress> sortedAddresses()
    {
        std::sort(m_values.begin(), m_values.end());
        QList<QHostAddress> addresses;
        addresses.reserve(m_values.size());
        for (quint32 value : std::as_const(m_values))
            addresses.append(QHostAddress(value));
        return addresses;
    }

private:
    QSet<quint32> m_seen;
    QList<quint32> m_values;
};

int parseLine(const QString &line, AddressCollector &collector)
{
    const QStringList parts = line.split(QLatin1Char('-'));
    if (parts.size() == 2) {
        quint32 first = 0;
        quint32 last = 0;
        if (!parseSingle(parts.at(0).trimmed(), &first) || !parseSingle(parts.at(1).trimmed(), &last))
            return AddressList::FormatError;
        if (last <= first)
            return AddressList::InvalidRange;
        if (last - first >= AddressList::kMaxRangeSpan)
            return AddressList::TooManyAddresses;
        return collector.addRange(first, last) ? AddressList::Ok : AddressList::TooManyAddresses;
    }
    if (parts.size() != 1)
        return AddressList::FormatError;

    quint32 single = 0;
    if (parseSingle(line, &single))
        return collector.add(single) ? AddressList::Ok : AddressList::TooManyAddresses;
    const QRegularExpressionMatch wildcard = wildcardPattern().match(line);
    if (!wildcard.hasMatch())
        return AddressList::FormatError;
    const quint32 network = valueOfOctets(wildcard, 3) << 8;
    return collector.addRange(network | 1, network | 254) ? AddressList::Ok
                                                          : AddressList::TooManyAddresses;
}

bool isIgnored(const QString &line)
{
    return line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'));
}

}

int parseAddressList(const QString &text, QList<QHostAddress> &list, int &errorLine)
{
    list.clear();
    AddressCollector collector;
    int result = AddressList::Ok;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (isIgnored(line))
            continue;
        result = parseLine(line, collector);
        if (result != AddressList::Ok) {
            errorLine = i + 1;
            break;
        }
    }
    list = collector.sortedAddresses();
    return result;
}

namespace AddressList {

QString errorText(int result, int line)
{
    switch (result) {
    case TooManyAddresses:
        return QCoreApplication::translate("AdvancedIPSearchDialog",
                                           "Error: Maximum number of addresses exceeded on line %1")
            .arg(line);
    case FormatError:
        return QCoreApplication::translate("AdvancedIPSearchDialog",
                                           "Error: Address format error on line %1")
            .arg(line);
    case InvalidRange:
        return QCoreApplication::translate("AdvancedIPSearchDialog",
                                           "Error: Invalid IP address range on line %1")
            .arg(line);
    default:
        return QString();
    }
}

QList<QHostAddress> addressesFromText(const QString &text)
{
    QList<QHostAddress> list;
    int errorLine = 0;
    parseAddressList(text, list, errorLine);
    return list;
}

}

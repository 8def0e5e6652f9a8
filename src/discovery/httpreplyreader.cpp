#include "discovery/httpreplyreader.h"

#include <QList>

#include <cctype>

namespace {

// A chunk size or length of up to this many hex or decimal digits (leading
// zeros aside) is read as a number; longer ones cannot fit a reply anyway.
constexpr int kMaxSizeDigits = 8;

// Digits of a size, leading zeros dropped; false when not all digits of `base`.
bool sizeValue(const QByteArray &text, int base, qint64 *value)
{
    int at = 0;
    while (at + 1 < text.size() && text.at(at) == '0')
        ++at;
    const QByteArray digits = text.mid(at);
    bool ok = !digits.isEmpty() && digits.size() <= kMaxSizeDigits;
    for (const char c : digits)
        ok = ok && (base == 16 ? isxdigit(uchar(c)) : isdigit(uchar(c)));
    *value = ok ? digits.toLongLong(&ok, base) : -1;
    return ok;
}

// "HTTP/1.x NNN reason": the status, or -1.
int statusOf(const QByteArray &line)
{
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isdigit(uchar(line.at(7))) || line.at(8) != ' '
        || (line.size() > 12 && line.at(12) != ' '))
        return -1;
    qint64 status = 0;
    if (!sizeValue(line.mid(9, 3), 10, &status) || status < 100 || status > 599)
        return -1;
    return int(status);
}

}

HttpReplyReader::State HttpReplyReader::feed(const QByteArray &bytes)
{
    if (m_state != State::NeedMore)
        return m_state;
    m_received += bytes.size();
    if (m_received > kMaxReplySize) {
        fail(tr("The reply is too large."));
        return m_state;
    }
    m_pending += bytes;
    bool progressed = true;
    while (progressed && m_state == State::NeedMore) {
        switch (m_part) {
        case Part::Head:
            progressed = readHead();
            break;
        case Part::Body:
        case Part::ChunkData:
        case Part::UntilClose:
            progressed = takeBody();
            break;
        case Part::ChunkSize:
            progressed = readChunkSize();
            break;
        case Part::ChunkEnd:
            progressed = readChunkEnd();
            break;
        case Part::Trailer:
            progressed = readTrailer();
            break;
        }
    }
    m_pending.remove(0, m_at);
    m_searchFrom = qMax(0, m_searchFrom - m_at);
    m_at = 0;
    return m_state;
}

HttpReplyReader::State HttpReplyReader::close()
{
    if (m_state != State::NeedMore)
        return m_state;
    if (m_part == Part::UntilClose)
        m_state = State::Complete;
    else
        fail(tr("The display closed the connection."));
    return m_state;
}

bool HttpReplyReader::fail(const QString &error)
{
    m_state = State::Malformed;
    m_error = error;
    m_body.clear();
    m_pending.clear();
    m_at = 0;
    return false;
}

QString HttpReplyReader::framingError()
{
    return tr("The reply's length or chunk framing is not valid.");
}

// The bytes up to the next `marker`, which is consumed too; false while it
// has not arrived. Each byte is searched once, however small the pieces.
bool HttpReplyReader::takeUntil(const QByteArray &marker, QByteArray *taken)
{
    const int found = m_pending.indexOf(marker, qMax(m_at, m_searchFrom));
    if (found < 0) {
        m_searchFrom = qMax(m_at, int(m_pending.size()) - int(marker.size()) + 1);
        return false;
    }
    *taken = m_pending.mid(m_at, found - m_at);
    m_at = found + int(marker.size());
    m_searchFrom = m_at;
    return true;
}

bool HttpReplyReader::readHead()
{
    QByteArray head;
    if (!takeUntil(QByteArrayLiteral("\r\n\r\n"), &head))
        return false;
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    m_status = statusOf(lines.first());
    if (m_status < 0)
        return fail(tr("The reply is not HTTP."));
    if (m_status < 200)
        return true; // an interim answer: the real one follows

    qint64 length = -1;
    bool chunked = false;
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon <= 0)
            return fail(tr("The reply is not HTTP."));
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        qint64 number = -1;
        if (name == "content-length"
            && (!sizeValue(value, 10, &number) || number > kMaxReplySize || (length >= 0 && number != length)))
            return fail(framingError());
        if (name == "content-length")
            length = number;
        else if (name == "transfer-encoding")
            chunked = value.toLower().contains("chunked");
    }
    if (chunked) {
        m_part = Part::ChunkSize;
    } else if (length >= 0) {
        m_part = Part::Body;
        m_remaining = length;
    } else if (m_status == 204 || m_status == 304) {
        m_state = State::Complete;
    } else {
        m_part = Part::UntilClose;
    }
    return true;
}

bool HttpReplyReader::readChunkSize()
{
    QByteArray line;
    if (!takeUntil(QByteArrayLiteral("\r\n"), &line))
        return false;
    const int extension = line.indexOf(';');
    qint64 size = -1;
    if (!sizeValue((extension < 0 ? line : line.left(extension)).trimmed(), 16, &size) || size > kMaxReplySize)
        return fail(framingError());
    m_remaining = size;
    m_part = size == 0 ? Part::Trailer : Part::ChunkData;
    return true;
}

// The body bytes that have arrived, up to the end of the length or chunk;
// true when that end is reached.
bool HttpReplyReader::takeBody()
{
    const qint64 available = m_pending.size() - m_at;
    const int taken = int(m_part == Part::UntilClose ? available : qMin(m_remaining, available));
    m_body.append(m_pending.constData() + m_at, taken);
    m_at += taken;
    if (m_part == Part::UntilClose)
        return false;
    m_remaining -= taken;
    if (m_remaining > 0)
        return false;
    if (m_part == Part::Body)
        m_state = State::Complete;
    else
        m_part = Part::ChunkEnd;
    return true;
}

bool HttpReplyReader::readChunkEnd()
{
    QByteArray rest;
    if (!takeUntil(QByteArrayLiteral("\r\n"), &rest))
        return false;
    m_part = Part::ChunkSize;
    return rest.isEmpty() || fail(framingError());
}

// Trailer fields after the last chunk are read past; an empty line ends the reply.
bool HttpReplyReader::readTrailer()
{
    QByteArray line;
    if (!takeUntil(QByteArrayLiteral("\r\n"), &line))
        return false;
    if (line.isEmpty())
        m_state = State::Complete;
    return true;
}

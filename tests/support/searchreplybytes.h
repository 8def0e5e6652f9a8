#pragma once

#include <QByteArray>
#include <QtEndian>

// Builds search reply datagrams field by field at their byte offsets, so
// the tests state every byte they depend on. Starts as a valid type-2
// reply for `sequence` that passes every filter.
class SearchReplyBytes
{
public:
    explicit SearchReplyBytes(quint16 sequence = 0x1234)
        : m_bytes(256, '\0')
    {
        magic("KRWD");
        this->sequence(sequence);
        type(2);
        text(32, "IDENTITY");
        m_bytes[144] = char(0x31);
        put32(148, 0x100);
        status('*');
    }

    SearchReplyBytes &magic(const char *fourChars) { return text(0, QByteArray(fourChars, 4)); }
    SearchReplyBytes &sequence(quint16 value)
    {
        qToLittleEndian(value, m_bytes.data() + 8);
        return *this;
    }
    SearchReplyBytes &type(quint32 value) { return put32(16, value); }
    SearchReplyBytes &status(quint8 value) { return byte(152, value); }
    SearchReplyBytes &series(quint8 value) { return byte(156, value); }

    SearchReplyBytes &byte(int offset, quint8 value)
    {
        m_bytes[offset] = char(value);
        return *this;
    }
    SearchReplyBytes &put32(int offset, quint32 value)
    {
        qToLittleEndian(value, m_bytes.data() + offset);
        return *this;
    }
    // Writes the characters without a terminating NUL (the byte after keeps
    // its value, which is 0 unless something else was written there).
    SearchReplyBytes &text(int offset, const QByteArray &characters)
    {
        m_bytes.replace(offset, characters.size(), characters);
        return *this;
    }
    SearchReplyBytes &fill(int offset, int length, char value) { return text(offset, QByteArray(length, value)); }
    // Cuts the datagram, or pads it with zeros, to another length.
    SearchReplyBytes &resize(int length)
    {
        m_bytes = m_bytes.leftJustified(length, '\0', true);
        return *this;
    }

    operator QByteArray() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Reads one HTTP/1.x reply from the bytes of a connection as they arrive,
// without a socket: the status line, interim 1xx answers (skipped), the
// headers that frame the body (Content-Length, chunked transfer coding) and
// the body, which without either ends where the peer closes the connection.
// A display's replies are a few bytes, so a reply (heads, framing and body)
// may take up to kMaxReplySize bytes; anything larger, and any framing that
// does not parse or does not fit, makes the reply malformed, with a text
// that says why. Every byte is looked at once, whatever the pieces.
class HttpReplyReader
{
    Q_DECLARE_TR_FUNCTIONS(HttpReplyReader)

public:
    static constexpr qint64 kMaxReplySize = 1024 * 1024;

    enum class State { NeedMore, Complete, Malformed };

    // Takes the next bytes; once the reply is complete or malformed, later
    // bytes are ignored.
    State feed(const QByteArray &bytes);
    // The peer has closed the connection: a body without a length ends here,
    // any other reply is cut short (malformed).
    State close();

    State state() const { return m_state; }
    int status() const { return m_status; }
    QByteArray body() const { return m_body; }
    QString errorString() const { return m_error; }

private:
    enum class Part { Head, Body, UntilClose, ChunkSize, ChunkData, ChunkEnd, Trailer };

    // Each consumes from m_pending at m_at; false when it needs more bytes.
    bool takeUntil(const QByteArray &marker, QByteArray *taken);
    bool readHead();
    bool readChunkSize();
    bool takeBody();
    bool readChunkEnd();
    bool readTrailer();
    bool fail(const QString &error); // malformed; false
    static QString framingError();

    State m_state = State::NeedMore;
    Part m_part = Part::Head;
    QByteArray m_pending; // received and not consumed yet, from m_at on
    int m_at = 0;
    int m_searchFrom = 0; // where the search for the next line end goes on
    qint64 m_received = 0;
    qint64 m_remaining = 0; // of the body or the current chunk
    int m_status = 0;
    QByteArray m_body;
    QString m_error;
};

#pragma once

#include <QByteArray>

// Reply frames as a display sends them, built here independently of the
// client's own encoder so tests compare against the wire format itself.
namespace ControlTest {

// SOH '0' '0' <displayId> <type> <len> STX <message> ETX <bcc> CR
QByteArray replyFrame(char type, const QByteArray &message, char displayId = 'A');
inline QByteArray commandReply(const QByteArray &message) { return replyFrame('B', message); }
// Upper-case hexadecimal byte pairs of a text, as texts travel in replies.
inline QByteArray hexText(const QByteArray &text) { return text.toHex().toUpper(); }

}

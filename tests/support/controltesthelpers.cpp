#include "controltesthelpers.h"

namespace ControlTest {

QByteArray replyFrame(char type, const QByteArray &message, char displayId)
{
    QByteArray frame("\x01" "00");
    frame.append(displayId).append(type);
    frame.append(QByteArray::number(message.size() + 2, 16).toUpper().rightJustified(2, '0'));
    frame.append('\x02').append(message).append('\x03');
    char bcc = 0;
    for (int i = 1; i < frame.size(); ++i)
        bcc ^= frame.at(i);
    return frame.append(bcc).append('\r');
}

}

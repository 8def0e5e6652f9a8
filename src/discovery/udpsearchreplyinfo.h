#pragma once

#include <QHostAddress>
#include <QMetaType>
#include <QString>

#include <array>

// One accepted search reply: who answered and what the display said about
// itself. A plain value record, copied whole into the search's signal.
struct DISPLAY_UDP_SEARCH_REPLY_INFO
{
    // Reply byte 152 as a signed character code; "*" is stored as 1.
    int statusChar = 0;
    QString modelName;
    // The sender, as a plain IPv4 address whenever it has an IPv4 form.
    QHostAddress ipAddress;
    std::array<QString, 4> fwVersions;
    QString currentFirmware;
    // The display's second address; null unless the series code carries one.
    QHostAddress ipAddress2;
    quint8 series = 0;
    // Six upper-case hex pairs joined by "-", e.g. 00-1A-2B-3C-4D-5E.
    QString macAddress;
};

Q_DECLARE_METATYPE(DISPLAY_UDP_SEARCH_REPLY_INFO)

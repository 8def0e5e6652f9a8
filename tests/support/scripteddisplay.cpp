#include "scripteddisplay.h"

#include <QtEndian>

ScriptedDisplay::ScriptedDisplay(const QHostAddress &address, Script script)
    : m_address(address)
    , m_script(std::move(script))
{
    m_socket.bind(address, 5320, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
        while (m_socket.hasPendingDatagrams())
            receive(m_socket.receiveDatagram());
    });
}

void ScriptedDisplay::receive(const QNetworkDatagram &datagram)
{
    const QByteArray data = datagram.data();
    if (data.size() < 20)
        return;
    const quint32 type = qFromLittleEndian<quint32>(data.constData() + 16);
    if (type == 5) {
        m_acknowledgements.append(datagram);
        return;
    }
    m_requests.append(datagram);
    const quint16 sequence = qFromLittleEndian<quint16>(data.constData() + 8);
    if (m_script) {
        const QList<QByteArray> replies = m_script(sequence, int(m_requests.size()));
        for (const QByteArray &reply : replies)
            m_socket.writeDatagram(reply, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
    emit requestReceived();
}

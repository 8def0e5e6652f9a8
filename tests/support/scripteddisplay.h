#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>
#include <QObject>
#include <QUdpSocket>

#include <functional>

// A display whose search service answers as a test scripts it, byte for
// byte: it records every request and acknowledgement it receives and sends
// back whatever the script returns for each request.
class ScriptedDisplay : public QObject
{
    Q_OBJECT

public:
    // Given the request's sequence number and how many search requests
    // (types 2 and 3) have arrived so far, including this one.
    using Script = std::function<QList<QByteArray>(quint16 sequence, int requestNumber)>;

    explicit ScriptedDisplay(const QHostAddress &address, Script script = {});

    QHostAddress address() const { return m_address; }

    // Sends a datagram from the display's search port.
    void send(const QByteArray &datagram, const QHostAddress &to, quint16 port)
    {
        m_socket.writeDatagram(datagram, to, port);
    }

    QList<QNetworkDatagram> requests() const { return m_requests; }
    QList<QNetworkDatagram> acknowledgements() const { return m_acknowledgements; }

signals:
    void requestReceived();

private:
    void receive(const QNetworkDatagram &datagram);

    QHostAddress m_address;
    Script m_script;
    QUdpSocket m_socket;
    QList<QNetworkDatagram> m_requests;
    QList<QNetworkDatagram> m_acknowledgements;
};

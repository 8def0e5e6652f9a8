// The display simulator as a program: a display on loopback answers a search,
// a control command and a page request, and the program stops cleanly.

#include "simulatorprocess.h"

#include "simprotocol/controlframe.h"
#include "simprotocol/searchdatagram.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

class tst_DisplaySim : public QObject
{
    Q_OBJECT

private slots:
    void answersSearchControlAndWeb();
};

void tst_DisplaySim::answersSearchControlAndWeb()
{
    // An address of its own per process, so that parallel runs do not collide.
    const QString address = QStringLiteral("127.77.%1.2").arg(QCoreApplication::applicationPid() % 250 + 1);
    SimulatorProcess sim;
    QVERIFY2(sim.start(QJsonArray{QJsonObject{{"address", address}, {"modelName", "K5-552"}}}), qPrintable(sim.errorString()));

    QUdpSocket search;
    QVERIFY(search.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    search.writeDatagram(SearchDatagram::encodeRequest({0xA55A, 0x70, 0, 3, 0, 0x100}), QHostAddress(address), SearchDatagram::kPort);
    QTRY_VERIFY_WITH_TIMEOUT(search.hasPendingDatagrams(), 5000);
    const QNetworkDatagram reply = search.receiveDatagram();
    QCOMPARE(reply.data().size(), 256);
    QCOMPARE(reply.data().left(10).toHex(' '), QByteArray("4b 52 57 44 00 00 00 00 5a a5"));

    QTcpSocket control;
    control.connectToHost(address, ControlFrame::kPort);
    control.write(ControlFrame::encodeRequest('A', "C217"));
    const QByteArray modelName = ControlFrame::encodeReply('A', 'B', "C3174B352D353532");
    QTRY_VERIFY_WITH_TIMEOUT(control.bytesAvailable() >= modelName.size(), 5000);
    QCOMPARE(control.readAll(), modelName);

    QTcpSocket web;
    web.connectToHost(address, 80);
    web.write("GET /index.html HTTP/1.1\r\nHost: display\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(web.state(), QAbstractSocket::UnconnectedState, 5000); // the answer closes
    QVERIFY(web.readAll().startsWith("HTTP/1.1 200"));

    sim.stop();
    QCOMPARE(sim.events().last().value(QStringLiteral("event")).toString(), QStringLiteral("stopped"));
}

QTEST_GUILESS_MAIN(tst_DisplaySim)
#include "tst_displaysim.moc"

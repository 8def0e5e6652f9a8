#include "discovery/controlexchange.h"
#include "discovery/controlprotocol.h"

#include "controltesthelpers.h"

#include <QtTest>

using ControlTest::commandReply;
using ControlTest::hexText;
using ControlTest::replyFrame;
using Outcome = ControlExchange::Outcome;
using Step = ControlExchange::Step;

Q_DECLARE_METATYPE(Outcome)

namespace {

// An exchange that has connected and sent the request of the first flag.
struct Started
{
    explicit Started(int flags, const QHostAddress &address2 = QHostAddress(QStringLiteral("127.0.0.99")))
    {
        exchange.setRequestFlags(flags);
        exchange.begin(QHostAddress(QStringLiteral("127.0.0.2")), address2);
        exchange.connected();
        first = exchange.next();
    }
    ControlExchange exchange;
    Step first;
};

// The message of a request packet (between STX and ETX).
QByteArray requestMessage(const QByteArray &packet)
{
    return packet.mid(8, packet.size() - 11);
}

QVariant field(const PD_TCP_REPLY &reply, const QString &name)
{
    if (name == QLatin1String("modelName"))
        return reply.modelName;
    if (name == QLatin1String("serialNumber"))
        return reply.serialNumber;
    if (name == QLatin1String("currentFirmware"))
        return reply.currentFirmware;
    if (name.startsWith(QLatin1String("fw")))
        return reply.fwVersions[name.mid(2).toInt() - 1];
    if (name == QLatin1String("assetTag"))
        return reply.assetTag;
    if (name == QLatin1String("powerState"))
        return reply.powerState;
    if (name == QLatin1String("powerSaveMode"))
        return reply.powerSaveMode;
    if (name == QLatin1String("setParamValue"))
        return reply.setParamValue;
    if (name == QLatin1String("getParamValue"))
        return reply.getParamValue;
    return QVariant();
}

// Answers every request the way a display that knows everything would.
QByteArray displayAnswer(const QByteArray &packet)
{
    const QByteArray message = requestMessage(packet);
    const char type = packet.at(4);
    if (type == 'E')
        return replyFrame('F', "00" + message.left(4) + "00FFFF2A3B");
    if (type == 'C')
        return replyFrame('D', "00" + message.left(4) + "00FFFF0032");
    if (message == "C217")
        return commandReply("C317" + hexText("K5-552"));
    if (message == "01D6")
        return commandReply("0200D60000000001");
    if (message == "C216")
        return commandReply("C316" + hexText("SN0001"));
    if (message == "C03F")
        return commandReply("C13F" + hexText("R1.100"));
    if (message.startsWith("C203D6"))
        return commandReply("00C203D6" + message.mid(6));
    if (message == "C00B0020")
        return commandReply("C10BASSET-");
    if (message == "C00B2020")
        return commandReply("C10BTAIL");
    if (message.startsWith("CA0B"))
        return commandReply(message == "CA0B00" ? "CB0B0001" : "CB0B0100");
    if (message == "C03E")
        return commandReply("C13E" + hexText("FW1.0000FW2.0000FW3.0000FW4.0000"));
    if (message.startsWith("CA02"))
        return commandReply("CB0200" + message.mid(4) + "V" + message.mid(4));
    return commandReply("BE");
}

}

class tst_ControlExchange : public QObject
{
    Q_OBJECT

private slots:
    void stepOrder();
    void noFlagsFinishesAtOnce();
    void replies_data();
    void replies();
    void powerSwitchClearsBothFlags();
    void assetDataInTwoReads();
    void versionSeries();
    void legacyFallbacks_data();
    void legacyFallbacks();
    void lateReplyOfAnotherCommand();
    void splitReplyIsAwaited();
    void unfinishedReplyFails();
    void twoRepliesInOneRead();
    void silentCommandRetriedOnceThenSkipped();
    void legacyFirmwareTimeoutSwitchesToNewer();
    void uselessRepliesDoNotLoopForever_data();
    void uselessRepliesDoNotLoopForever();
    void unassignedAlternateAddressIsNotProbed();
    void nullAlternateAddressIsProbed();
    void probeResults_data();
    void probeResults();
    void connectionResetsReadState();
};

void tst_ControlExchange::stepOrder()
{
    const int all = 0xFFF7F; // every defined flag
    Started s(all);
    QStringList sent;
    Step step = s.first;
    for (int guard = 0; guard < 40 && step.kind != Step::Finished; ++guard) {
        switch (step.kind) {
        case Step::Send:
            sent << QString::fromLatin1(requestMessage(step.packet));
            QCOMPARE(s.exchange.replyReceived(displayAnswer(step.packet)), Outcome::Continue);
            break;
        case Step::ProbeAlternateAddress:
            sent << QStringLiteral("probe IP2");
            s.exchange.alternateAddressProbeFinished(0, "<html></html>");
            break;
        case Step::ProbeLock:
            sent << QStringLiteral("probe lock");
            s.exchange.lockProbeFinished(0, "<html></html>");
            break;
        case Step::Finished:
            break;
        }
        step = s.exchange.next();
    }
    const QStringList expected{
        "C217", "01D6", "C216", "C03F", "probe IP2", "probe lock", "C203D60001", "C00B0020", "C00B2020",
        "CA0B00", "CA0B0102", "CA0B0100", "CA0B0101", "C03E", "CA0200", "CA0201", "CA0202", "CA0203",
        "CA0204", "13070001", "13030001", "1306"};
    QCOMPARE(sent, expected); // power off is cleared by the power-on reply
    const PD_TCP_REPLY &r = s.exchange.reply();
    QCOMPARE(r.tcpStatus, 0);
    QCOMPARE(r.requestFlags, all);
    QCOMPARE(r.modelName, QStringLiteral("K5-552"));
    QCOMPARE(r.serialNumber, QStringLiteral("SN0001"));
    QCOMPARE(r.currentFirmware, QStringLiteral("V00")); // the newer read came last
    QCOMPARE(r.fwVersions[0], QStringLiteral("V01"));
    QCOMPARE(r.fwVersions[3], QStringLiteral("V04"));
    QCOMPARE(r.assetTag, QStringLiteral("ASSET-TAIL"));
    QCOMPARE(r.powerState, 1);
    QCOMPARE(r.powerSaveMode, 1); // auto standby was the last change
    QCOMPARE(r.lockStatus, 0);
    QCOMPARE(r.ip2CheckResult, 0);
    QCOMPARE(r.setParamValue, 0x2A3B);
    QCOMPARE(r.getParamValue, 0x32);
}

void tst_ControlExchange::noFlagsFinishesAtOnce()
{
    Started s(0);
    QCOMPARE(s.first.kind, Step::Finished);
    QCOMPARE(s.exchange.reply().tcpStatus, 0);
    Started unknown(0x100000); // a bit this client has no request for
    QCOMPARE(unknown.first.kind, Step::Finished);
}

void tst_ControlExchange::replies_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("tcpStatus");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");

    const Outcome go = Outcome::Continue;
    const Outcome stop = Outcome::Stop;
    auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    // Command replies.
    row("model name") << TCP_REQ_MODEL_NAME << commandReply("C317" + hexText("K5-552")) << go << 0 << 0
                      << "modelName" << QVariant("K5-552");
    row("model name padded with NUL") << TCP_REQ_MODEL_NAME << commandReply("C317" + hexText("P55") + "000000")
                                      << go << 0 << 0 << "modelName" << QVariant("P55");
    row("reply code in lower case") << TCP_REQ_MODEL_NAME << commandReply("c317" + hexText("X")) << go << 0 << 0
                                    << "modelName" << QVariant("X");
    row("power status on") << TCP_REQ_POWER_STATUS << commandReply("0200D60000000001") << go << 0 << 0
                           << "powerState" << QVariant(1);
    row("power status off") << TCP_REQ_POWER_STATUS << commandReply("0200D60000000004") << go << 0 << 0
                            << "powerState" << QVariant(4);
    row("power status too short: nothing, flag cleared") << TCP_REQ_POWER_STATUS << commandReply("0200D6000001")
                                                         << go << 0 << 0 << "powerState" << QVariant(0);
    row("power status not D600: nothing, flag cleared") << TCP_REQ_POWER_STATUS << commandReply("0200D6010000 0001")
                                                        << go << 0 << 0 << "powerState" << QVariant(0);
    row("power status not hex: nothing, flag cleared") << TCP_REQ_POWER_STATUS << commandReply("0200D6000000XY01")
                                                       << go << 0 << 0 << "powerState" << QVariant(0);
    row("serial number") << TCP_REQ_SERIAL_NUMBER << commandReply("C316" + hexText("4Z012345")) << go << 0 << 0
                         << "serialNumber" << QVariant("4Z012345");
    row("legacy firmware text") << TCP_REQ_FIRMWARE_LEGACY << commandReply("C13F" + hexText("R2.301")) << go << 0
                                << 0 << "currentFirmware" << QVariant("R2.301");
    row("legacy versions") << TCP_REQ_VERSIONS_LEGACY
                           << commandReply("C13E" + hexText("1.000000" "2.000000" "3.000000" "4.000000")) << go << 0
                           << 0 << "fw3" << QVariant("3.000000");
    row("legacy versions too short: nothing") << TCP_REQ_VERSIONS_LEGACY
                                              << commandReply("C13E" + hexText("1.000000" "2.000000" "3.000000" "4.0000"))
                                              << go << 0 << 0 << "fw1" << QVariant(QString());
    row("first asset reply keeps the flag") << TCP_REQ_ASSET_DATA << commandReply("C10BTAG 0042  ") << go << 0
                                            << TCP_REQ_ASSET_DATA << "assetTag" << QVariant("TAG 0042  ");
    row("asset data ends at 0xFF") << TCP_REQ_ASSET_DATA << commandReply("C10BTAG\xFF\xFF\xFF") << go << 0
                                   << TCP_REQ_ASSET_DATA << "assetTag" << QVariant("TAG");
    row("power save auto power save") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B0000") << go << 0 << 0
                                      << "powerSaveMode" << QVariant(0);
    row("power save auto standby") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B0001") << go << 0 << 0
                                   << "powerSaveMode" << QVariant(1);
    row("power save off") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B0002") << go << 0 << 0
                          << "powerSaveMode" << QVariant(2);
    row("power save unknown value") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B0003") << go << 0 << 0
                                    << "powerSaveMode" << QVariant(-1);
    row("power save short answer") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B00") << go << 0 << 0
                                   << "powerSaveMode" << QVariant(-1);
    row("power save other result") << TCP_REQ_POWER_SAVE_READ << commandReply("CB0B0200") << go << 0 << 0
                                   << "powerSaveMode" << QVariant(-1);
    row("set result 1 with value 1") << TCP_REQ_POWER_SAVE_AUTO_STANDBY << commandReply("CB0B0101") << go << 0 << 0
                                     << "powerSaveMode" << QVariant(-1);
    // The same acknowledgement for every change: the requested mode is recorded.
    row("CB0B0100 after setting auto power save") << TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE << commandReply("CB0B0100")
                                                  << go << 0 << 0 << "powerSaveMode" << QVariant(0);
    row("CB0B0100 after setting auto standby") << TCP_REQ_POWER_SAVE_AUTO_STANDBY << commandReply("CB0B0100") << go
                                               << 0 << 0 << "powerSaveMode" << QVariant(1);
    row("CB0B0100 after setting off") << TCP_REQ_POWER_SAVE_OFF << commandReply("CB0B0100") << go << 0 << 0
                                      << "powerSaveMode" << QVariant(2);
    row("newer firmware text") << TCP_REQ_FIRMWARE << commandReply("CB020000R1.200") << go << 0 << 0
                               << "currentFirmware" << QVariant("R1.200");
    row("newer firmware text ends at LF") << TCP_REQ_FIRMWARE << commandReply("CB020000R1.200\nrest") << go << 0 << 0
                                          << "currentFirmware" << QVariant("R1.200");
    row("version 1 keeps the series going") << TCP_REQ_VERSIONS << commandReply("CB020001FPGA 1.0") << go << 0
                                            << TCP_REQ_VERSIONS << "fw1" << QVariant("FPGA 1.0");
    row("version 4 ends the series") << TCP_REQ_VERSIONS << commandReply("CB020004SUB 4") << go << 0 << 0 << "fw4"
                                     << QVariant("SUB 4");
    row("index beyond 4 ends the series") << TCP_REQ_VERSIONS << commandReply("CB020005X") << go << 0 << 0 << "fw1"
                                          << QVariant(QString());
    row("firmware text refused by result") << TCP_REQ_VERSIONS << commandReply("CB020101") << go << 0 << 0 << "fw1"
                                           << QVariant(QString());
    row("firmware text too short") << TCP_REQ_FIRMWARE << commandReply("CB0200") << stop << -3001 << TCP_REQ_FIRMWARE
                                   << "currentFirmware" << QVariant(QString());
    row("firmware index not hex") << TCP_REQ_FIRMWARE << commandReply("CB0200ZZR1") << stop << -3001
                                  << TCP_REQ_FIRMWARE << "currentFirmware" << QVariant(QString());
    row("unknown reply code") << TCP_REQ_MODEL_NAME << commandReply("C999" + hexText("X")) << stop << -3002
                              << TCP_REQ_MODEL_NAME << "modelName" << QVariant(QString());
    row("reply shorter than a code") << TCP_REQ_MODEL_NAME << commandReply("C31") << stop << -3001
                                     << TCP_REQ_MODEL_NAME << "modelName" << QVariant(QString());
    row("BE to the model name") << TCP_REQ_MODEL_NAME << commandReply("BE") << stop << -3002 << TCP_REQ_MODEL_NAME
                                << "modelName" << QVariant(QString());
    row("BE to the asset read") << TCP_REQ_ASSET_DATA << commandReply("BE") << go << 0 << 0 << "assetTag"
                                << QVariant(QString());
    row("BE to the power save read") << TCP_REQ_POWER_SAVE_READ << commandReply("BE") << go << 0 << 0
                                     << "powerSaveMode" << QVariant(-2);
    row("BE to a power save change") << TCP_REQ_POWER_SAVE_OFF << commandReply("BE") << stop << -3002
                                     << TCP_REQ_POWER_SAVE_OFF << "powerSaveMode" << QVariant(-2);
    row("BE to the version read") << TCP_REQ_VERSIONS << commandReply("BE") << go << 0 << 0 << "fw1"
                                  << QVariant(QString());

    // Power switch replies.
    row("power on") << TCP_REQ_POWER_ON << commandReply("00C203D60001") << go << 0 << 0 << "powerState"
                    << QVariant(1);
    row("power off") << TCP_REQ_POWER_OFF << commandReply("00C203D60004") << go << 0 << 0 << "powerState"
                     << QVariant(4);
    row("power on refused") << TCP_REQ_POWER_ON << commandReply("01C203D60001") << stop << -3001 << 0 << "powerState"
                            << QVariant(0);
    row("power on, wrong code") << TCP_REQ_POWER_ON << commandReply("00C204D60001") << stop << -3001 << 0
                                << "powerState" << QVariant(0);
    row("power on, wrong op code") << TCP_REQ_POWER_ON << commandReply("00C203D70001") << stop << -3001 << 0
                                   << "powerState" << QVariant(0);
    row("power on, short") << TCP_REQ_POWER_ON << commandReply("00C203D600") << stop << -3001 << 0 << "powerState"
                           << QVariant(0);
    row("power on, BE") << TCP_REQ_POWER_ON << commandReply("BE") << stop << -3002 << TCP_REQ_POWER_ON
                        << "powerState" << QVariant(0);

    // Parameter replies.
    row("upload token") << TCP_REQ_UPLOAD_REQUEST << replyFrame('F', "00130700FFFF2A3B") << go << 0 << 0
                        << "setParamValue" << QVariant(0x2A3B);
    row("start update") << TCP_REQ_START_UPDATE << replyFrame('F', "00130300FFFF0001") << go << 0 << 0
                        << "setParamValue" << QVariant(1);
    row("1303 in a get reply stores nothing") << TCP_REQ_UPDATE_PROGRESS << replyFrame('D', "00130300FFFF0001") << go
                                              << 0 << 0 << "setParamValue" << QVariant(0);
    row("update progress") << TCP_REQ_UPDATE_PROGRESS << replyFrame('D', "00130600FFFF0032") << go << 0 << 0
                           << "getParamValue" << QVariant(0x32);
    row("1306 in a set reply stores nothing") << TCP_REQ_START_UPDATE << replyFrame('F', "00130600FFFF0032") << go
                                              << 0 << 0 << "getParamValue" << QVariant(0);
    row("1307 in a get reply") << TCP_REQ_UPDATE_PROGRESS << replyFrame('D', "00130700FFFF0007") << go << 0 << 0
                               << "setParamValue" << QVariant(7);
    row("power mode parameter") << TCP_REQ_UPDATE_PROGRESS << replyFrame('D', "0000D600FFFF0004") << go << 0 << 0
                                << "powerState" << QVariant(4);
    row("parameter with non-zero result") << TCP_REQ_UPLOAD_REQUEST << replyFrame('F', "01130700FFFF2A3B") << go << 0
                                          << 0 << "setParamValue" << QVariant(0);
    row("parameter reply of 15 characters") << TCP_REQ_UPLOAD_REQUEST << replyFrame('F', "00130700FFFF2A3")
                                            << stop << -3001 << TCP_REQ_UPLOAD_REQUEST << "setParamValue" << QVariant(0);
    row("parameter reply of 17 characters") << TCP_REQ_UPLOAD_REQUEST << replyFrame('F', "00130700FFFF2A3B0")
                                            << stop << -3001 << TCP_REQ_UPLOAD_REQUEST << "setParamValue" << QVariant(0);
    row("parameter reply not hex") << TCP_REQ_UPLOAD_REQUEST << replyFrame('F', "00130700FFFF2A3G") << stop << -3001
                                   << TCP_REQ_UPLOAD_REQUEST << "setParamValue" << QVariant(0);

    // A frame failure (the frame checks themselves are tested with the protocol).
    row("garbage") << TCP_REQ_MODEL_NAME << QByteArray("HTTP/1.1 400 Bad Request\r\n\r\n") << stop << -3001
                   << TCP_REQ_MODEL_NAME << "modelName" << QVariant(QString());
}

void tst_ControlExchange::replies()
{
    QFETCH(int, flags);
    QFETCH(QByteArray, reply);
    QFETCH(Outcome, outcome);
    QFETCH(int, tcpStatus);
    QFETCH(int, remaining);
    QFETCH(QString, field);
    QFETCH(QVariant, value);

    Started s(flags);
    QCOMPARE(s.first.kind, Step::Send);
    QVERIFY(s.exchange.awaitingReply());
    QCOMPARE(s.exchange.replyReceived(reply), outcome);
    QCOMPARE(s.exchange.reply().tcpStatus, tcpStatus);
    QCOMPARE(s.exchange.remainingFlags(), remaining);
    QCOMPARE(::field(s.exchange.reply(), field), value);
}

void tst_ControlExchange::powerSwitchClearsBothFlags()
{
    Started s(TCP_REQ_POWER_ON | TCP_REQ_POWER_OFF);
    QCOMPARE(requestMessage(s.first.packet), QByteArray("C203D60001"));
    QCOMPARE(s.exchange.replyReceived(commandReply("01C203D60001")), Outcome::Stop);
    QCOMPARE(s.exchange.reply().tcpStatus, -3001);
    QCOMPARE(s.exchange.remainingFlags(), 0);
}

void tst_ControlExchange::assetDataInTwoReads()
{
    Started s(TCP_REQ_ASSET_DATA);
    QCOMPARE(requestMessage(s.first.packet), QByteArray("C00B0020"));
    s.exchange.replyReceived(commandReply("C10B" + QByteArray("BUILDING-7 ROOM-").leftJustified(32, ' ')));
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C00B2020"));
    s.exchange.replyReceived(commandReply("C10B301\xFF\xFF"));
    QCOMPARE(s.exchange.next().kind, Step::Finished);
    QCOMPARE(s.exchange.reply().assetTag, QStringLiteral("BUILDING-7 ROOM-                301"));
}

void tst_ControlExchange::versionSeries()
{
    Started s(TCP_REQ_VERSIONS | TCP_REQ_FIRMWARE);
    QCOMPARE(requestMessage(s.first.packet), QByteArray("CA0200"));
    s.exchange.replyReceived(commandReply("CB020000R9.000"));
    for (int index = 1; index <= 4; ++index) {
        const Step step = s.exchange.next();
        QCOMPARE(requestMessage(step.packet), "CA020" + QByteArray::number(index));
        s.exchange.replyReceived(commandReply("CB02000" + QByteArray::number(index) + "T" + QByteArray::number(index)));
    }
    QCOMPARE(s.exchange.next().kind, Step::Finished);
    const PD_TCP_REPLY &r = s.exchange.reply();
    QCOMPARE(r.currentFirmware, QStringLiteral("R9.000"));
    QCOMPARE(r.fwVersions[0], QStringLiteral("T1"));
    QCOMPARE(r.fwVersions[3], QStringLiteral("T4"));
}

void tst_ControlExchange::legacyFallbacks_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArrayList>("refused"); // answered "BE"; the rest as a full-featured display would
    QTest::addColumn<QByteArrayList>("expectedRequests");
    QTest::newRow("C03F falls back to CA0200")
        << (TCP_REQ_FIRMWARE_LEGACY) << QByteArrayList{"C03F"} << QByteArrayList{"C03F", "CA0200"};
    QTest::newRow("C03E drops the version and firmware reads")
        << (TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_VERSIONS_LEGACY | TCP_REQ_VERSIONS)
        << QByteArrayList{"C03F", "C03E"} << QByteArrayList{"C03F", "C03E"};
    QTest::newRow("legacy display keeps the legacy reads")
        << (TCP_REQ_FIRMWARE_LEGACY | TCP_REQ_VERSIONS_LEGACY) << QByteArrayList{"CA0200", "CA0201"}
        << QByteArrayList{"C03F", "C03E"};
    QTest::newRow("refused CA0202 ends the series")
        << (TCP_REQ_VERSIONS) << QByteArrayList{"CA0202"} << QByteArrayList{"CA0201", "CA0202"};
    QTest::newRow("asset and power save reads skipped")
        << (TCP_REQ_ASSET_DATA | TCP_REQ_POWER_SAVE_READ) << QByteArrayList{"C00B0020", "CA0B00"}
        << QByteArrayList{"C00B0020", "CA0B00"};
}

void tst_ControlExchange::legacyFallbacks()
{
    QFETCH(int, flags);
    QFETCH(QByteArrayList, refused);
    QFETCH(QByteArrayList, expectedRequests);
    Started s(flags);
    QByteArrayList sent;
    Step step = s.first;
    while (step.kind == Step::Send && sent.size() < 10) {
        const QByteArray message = requestMessage(step.packet);
        sent << message;
        const QByteArray answer = refused.contains(message) ? commandReply("BE") : displayAnswer(step.packet);
        QCOMPARE(s.exchange.replyReceived(answer), Outcome::Continue);
        step = s.exchange.next();
    }
    QCOMPARE(sent, expectedRequests);
    QCOMPARE(step.kind, Step::Finished);
    QCOMPARE(s.exchange.reply().tcpStatus, 0);
}

void tst_ControlExchange::lateReplyOfAnotherCommand()
{
    // The model name reply arrives again while the serial number read is in flight.
    Started s(TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER);
    s.exchange.replyReceived(commandReply("C317" + hexText("OLD")));
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C216"));
    QCOMPARE(s.exchange.replyReceived(commandReply("C317" + hexText("NEW"))), Outcome::Continue);
    QCOMPARE(s.exchange.reply().modelName, QStringLiteral("NEW"));
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C216"));
    s.exchange.replyReceived(commandReply("C316" + hexText("SN")));
    QCOMPARE(s.exchange.next().kind, Step::Finished);
    QCOMPARE(s.exchange.reply().serialNumber, QStringLiteral("SN"));
}

void tst_ControlExchange::splitReplyIsAwaited()
{
    // TCP keeps no message boundaries: a reply in two pieces is still one reply.
    Started s(TCP_REQ_MODEL_NAME);
    const QByteArray reply = commandReply("C317" + hexText("K5-552"));
    QCOMPARE(s.exchange.replyReceived(reply.left(5)), Outcome::Wait);
    QCOMPARE(s.exchange.replyReceived(reply.mid(5, 9)), Outcome::Wait);
    QCOMPARE(s.exchange.replyReceived(reply.mid(14)), Outcome::Continue);
    QCOMPARE(s.exchange.reply().modelName, QStringLiteral("K5-552"));
    // A first piece that cannot begin a reply fails at once.
    Started bad(TCP_REQ_MODEL_NAME);
    QCOMPARE(bad.exchange.replyReceived("\x01" "0*"), Outcome::Stop);
    QCOMPARE(bad.exchange.reply().tcpStatus, -3001);
}

void tst_ControlExchange::unfinishedReplyFails()
{
    Started s(TCP_REQ_MODEL_NAME);
    QCOMPARE(s.exchange.replyReceived(commandReply("C317").left(9)), Outcome::Wait);
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Stop);
    QCOMPARE(s.exchange.reply().tcpStatus, -3001);
}

void tst_ControlExchange::twoRepliesInOneRead()
{
    Started s(TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER);
    QCOMPARE(s.exchange.replyReceived(commandReply("C317" + hexText("M")) + commandReply("C316" + hexText("S"))),
             Outcome::Continue);
    QCOMPARE(s.exchange.reply().modelName, QStringLiteral("M"));
    QCOMPARE(s.exchange.reply().serialNumber, QString());
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C216"));
}

void tst_ControlExchange::silentCommandRetriedOnceThenSkipped()
{
    Started s(TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_POWER_STATUS);
    QCOMPARE(requestMessage(s.first.packet), QByteArray("C217"));
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C217")); // sent again
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("01D6")); // skipped
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C216")); // later ones: one time-out
    s.exchange.replyReceived(commandReply("C316" + hexText("S1")));
    QCOMPARE(s.exchange.next().kind, Step::Finished);
    QCOMPARE(s.exchange.reply().tcpStatus, 0);
    QCOMPARE(s.exchange.reply().serialNumber, QStringLiteral("S1"));
}

void tst_ControlExchange::legacyFirmwareTimeoutSwitchesToNewer()
{
    Started s(TCP_REQ_MODEL_NAME | TCP_REQ_FIRMWARE_LEGACY);
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue); // C217 once more
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C217"));
    s.exchange.replyReceived(commandReply("C317" + hexText("M")));
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("C03F"));
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("CA0200"));
    // The fallback resets the retry count: the newer read is tried twice too.
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(requestMessage(s.exchange.next().packet), QByteArray("CA0200"));
    QCOMPARE(s.exchange.replyTimedOut(), Outcome::Continue);
    QCOMPARE(s.exchange.next().kind, Step::Finished);
}

void tst_ControlExchange::uselessRepliesDoNotLoopForever_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("model name to every serial read") << TCP_REQ_SERIAL_NUMBER << commandReply("C317" + hexText("M"));
    QTest::newRow("firmware text to every version read") << TCP_REQ_VERSIONS << commandReply("CB020000R1");
    QTest::newRow("model name to every asset read") << TCP_REQ_ASSET_DATA << commandReply("C317" + hexText("M"));
}

void tst_ControlExchange::uselessRepliesDoNotLoopForever()
{
    QFETCH(int, flags);
    QFETCH(QByteArray, reply);
    Started s(flags);
    Step step = s.first;
    int sends = 0;
    while (step.kind == Step::Send && sends < 100) {
        ++sends;
        QCOMPARE(s.exchange.replyReceived(reply), Outcome::Continue);
        step = s.exchange.next();
    }
    QCOMPARE(step.kind, Step::Finished);
    QCOMPARE(sends, ControlExchange::kMaxSendsOfOneRequest);
    QCOMPARE(s.exchange.reply().tcpStatus, 0);
}

void tst_ControlExchange::unassignedAlternateAddressIsNotProbed()
{
    Started s(TCP_REQ_VERIFY_IP2 | TCP_REQ_LOCK_STATUS, QHostAddress(QStringLiteral("0.0.0.0")));
    QCOMPARE(s.first.kind, Step::ProbeLock);
    QCOMPARE(s.exchange.reply().ip2CheckResult, 1);
    QVERIFY(!s.exchange.awaitingReply());
}

void tst_ControlExchange::nullAlternateAddressIsProbed()
{
    Started s(TCP_REQ_VERIFY_IP2, QHostAddress());
    QCOMPARE(s.first.kind, Step::ProbeAlternateAddress);
    s.exchange.alternateAddressProbeFinished(10003, QByteArray());
    QCOMPARE(s.exchange.reply().ip2CheckResult, 1);
    QCOMPARE(s.exchange.next().kind, Step::Finished);
}

void tst_ControlExchange::probeResults_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("lockStatus");
    QTest::addColumn<int>("ip2CheckResult");
    QTest::newRow("login link") << 0 << QByteArray("<a href=\"/Logon/index.html\">") << 1 << 0;
    QTest::newRow("lower-case path") << 0 << QByteArray("<a href=\"/logon/\">") << 0 << 0;
    QTest::newRow("plain page") << 0 << QByteArray("<html>Display</html>") << 0 << 0;
    QTest::newRow("empty body") << 0 << QByteArray() << 2 << 1;
    QTest::newRow("failed") << 10003 << QByteArray("/Logon/") << 2 << 1;
}

void tst_ControlExchange::probeResults()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, lockStatus);
    QFETCH(int, ip2CheckResult);
    Started s(TCP_REQ_VERIFY_IP2 | TCP_REQ_LOCK_STATUS);
    QCOMPARE(s.first.kind, Step::ProbeAlternateAddress);
    s.exchange.alternateAddressProbeFinished(status, body);
    QCOMPARE(s.exchange.next().kind, Step::ProbeLock);
    s.exchange.lockProbeFinished(status, body);
    QCOMPARE(s.exchange.next().kind, Step::Finished);
    QCOMPARE(s.exchange.reply().lockStatus, lockStatus);
    QCOMPARE(s.exchange.reply().ip2CheckResult, ip2CheckResult);
}

void tst_ControlExchange::connectionResetsReadState()
{
    ControlExchange exchange;
    exchange.setRequestFlags(TCP_REQ_POWER_STATUS);
    exchange.begin(QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress());
    QCOMPARE(exchange.reply().ip2CheckResult, -1);
    QCOMPARE(exchange.reply().lockStatus, -1);
    QCOMPARE(exchange.reply().powerSaveMode, -2);
    QCOMPARE(exchange.reply().ipAddress, QHostAddress(QStringLiteral("127.0.0.2")));
    exchange.connected();
    exchange.next();
    exchange.replyReceived(commandReply("0200D60000000001"));
    QCOMPARE(exchange.reply().powerState, 1);
    exchange.connected();
    QCOMPARE(exchange.reply().powerState, 0);
}

QTEST_GUILESS_MAIN(tst_ControlExchange)
#include "tst_controlexchange.moc"

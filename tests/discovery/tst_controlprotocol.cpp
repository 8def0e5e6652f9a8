#include "discovery/controlexchange.h"
#include "discovery/controlprotocol.h"

#include "controltesthelpers.h"

#include <QtTest>

using ControlProtocol::Frame;

class tst_ControlProtocol : public QObject
{
    Q_OBJECT

private slots:
    void examplePacket();
    void requestPackets_data();
    void requestPackets();
    void laterRequestsOfASeries();
    void readReplyFrame_data();
    void readReplyFrame();
    void hexText_data();
    void hexText();
    void rawText_data();
    void rawText();
    void textLimitKeepsWholeCharacters_data();
    void textLimitKeepsWholeCharacters();
};

void tst_ControlProtocol::examplePacket()
{
    QCOMPARE(ControlProtocol::buildPacket(ControlProtocol::Type::Command, "C217"),
             QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 32 31 37 03 1B 0D"));
}

void tst_ControlProtocol::requestPackets_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("C217") << TCP_REQ_MODEL_NAME << QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 32 31 37 03 1B 0D");
    QTest::newRow("01D6") << TCP_REQ_POWER_STATUS << QByteArray::fromHex("01 30 2A 30 41 30 36 02 30 31 44 36 03 1F 0D");
    QTest::newRow("C216") << TCP_REQ_SERIAL_NUMBER << QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 32 31 36 03 1A 0D");
    QTest::newRow("C03F") << TCP_REQ_FIRMWARE_LEGACY << QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 30 33 46 03 6A 0D");
    QTest::newRow("C203D60001") << TCP_REQ_POWER_ON << QByteArray::fromHex("01 30 2A 30 41 30 43 02 43 32 30 33 44 36 30 30 30 31 03 18 0D");
    QTest::newRow("C203D60004") << TCP_REQ_POWER_OFF << QByteArray::fromHex("01 30 2A 30 41 30 43 02 43 32 30 33 44 36 30 30 30 34 03 1D 0D");
    QTest::newRow("C00B0020") << TCP_REQ_ASSET_DATA << QByteArray::fromHex("01 30 2A 30 41 30 41 02 43 30 30 42 30 30 32 30 03 18 0D");
    QTest::newRow("CA0B00") << TCP_REQ_POWER_SAVE_READ << QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 42 30 30 03 12 0D");
    QTest::newRow("CA0B0102") << TCP_REQ_POWER_SAVE_OFF << QByteArray::fromHex("01 30 2A 30 41 30 41 02 43 41 30 42 30 31 30 32 03 68 0D");
    QTest::newRow("CA0B0100") << TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE << QByteArray::fromHex("01 30 2A 30 41 30 41 02 43 41 30 42 30 31 30 30 03 6A 0D");
    QTest::newRow("CA0B0101") << TCP_REQ_POWER_SAVE_AUTO_STANDBY << QByteArray::fromHex("01 30 2A 30 41 30 41 02 43 41 30 42 30 31 30 31 03 6B 0D");
    QTest::newRow("C03E") << TCP_REQ_VERSIONS_LEGACY << QByteArray::fromHex("01 30 2A 30 41 30 36 02 43 30 33 45 03 69 0D");
    QTest::newRow("CA0200") << TCP_REQ_FIRMWARE << QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 32 30 30 03 62 0D");
    QTest::newRow("CA0201") << TCP_REQ_VERSIONS << QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 32 30 31 03 63 0D");
    QTest::newRow("set 13070001") << TCP_REQ_UPLOAD_REQUEST << QByteArray::fromHex("01 30 2A 30 45 30 41 02 31 33 30 37 30 30 30 31 03 1B 0D");
    QTest::newRow("set 13030001") << TCP_REQ_START_UPDATE << QByteArray::fromHex("01 30 2A 30 45 30 41 02 31 33 30 33 30 30 30 31 03 1F 0D");
    QTest::newRow("get 1306") << TCP_REQ_UPDATE_PROGRESS << QByteArray::fromHex("01 30 2A 30 43 30 36 02 31 33 30 36 03 6A 0D");
}

void tst_ControlProtocol::requestPackets()
{
    QFETCH(int, flag);
    QFETCH(QByteArray, packet);
    ControlExchange exchange;
    exchange.setRequestFlags(flag);
    exchange.connected();
    const ControlExchange::Step step = exchange.next();
    QCOMPARE(step.kind, ControlExchange::Step::Send);
    QCOMPARE(step.packet, packet);
}

void tst_ControlProtocol::laterRequestsOfASeries()
{
    // The second asset read asks from offset 0x20; the version reads count up to 4.
    ControlExchange assets;
    assets.setRequestFlags(TCP_REQ_ASSET_DATA);
    assets.connected();
    assets.next();
    QCOMPARE(assets.replyReceived(ControlTest::commandReply("C10BFIRST")), ControlExchange::Outcome::Continue);
    QCOMPARE(assets.next().packet, QByteArray::fromHex("01 30 2A 30 41 30 41 02 43 30 30 42 32 30 32 30 03 1A 0D"));

    ControlExchange versions;
    versions.setRequestFlags(TCP_REQ_VERSIONS);
    versions.connected();
    versions.next();
    const QByteArray expected[] = {
        QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 32 30 32 03 60 0D"),
        QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 32 30 33 03 61 0D"),
        QByteArray::fromHex("01 30 2A 30 41 30 38 02 43 41 30 32 30 34 03 66 0D"),
    };
    for (int index = 1; index <= 3; ++index) {
        versions.replyReceived(ControlTest::commandReply("CB0200" + QByteArray::number(index).rightJustified(2, '0')));
        QCOMPARE(versions.next().packet, expected[index - 1]);
    }
}

void tst_ControlProtocol::readReplyFrame_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("check");
    QTest::addColumn<QByteArray>("message");

    const QByteArray good = ControlTest::commandReply("C317" + ControlTest::hexText("K5-552"));
    QTest::newRow("complete") << good << int(Frame::Complete) << QByteArray("C317" + ControlTest::hexText("K5-552"));
    QTest::newRow("followed by more") << good + ControlTest::commandReply("C316") << int(Frame::Complete)
                                     << QByteArray("C317" + ControlTest::hexText("K5-552"));
    QTest::newRow("get reply") << ControlTest::replyFrame('D', "00130600FFFF0032") << int(Frame::Complete)
                               << QByteArray("00130600FFFF0032");
    QTest::newRow("set reply") << ControlTest::replyFrame('F', "00130700FFFF2A3B") << int(Frame::Complete)
                               << QByteArray("00130700FFFF2A3B");
    for (const char id : {'\0', 'Z', '*', '\xFF'})
        QTest::newRow(qPrintable(QStringLiteral("display id 0x%1").arg(uchar(id), 2, 16, QLatin1Char('0'))))
            << ControlTest::replyFrame('B', "BE", id) << int(Frame::Complete) << QByteArray("BE");
    QByteArray fFrame = ControlTest::commandReply(QByteArray(0x1C - 2, '1')); // length "1C"
    fFrame[6] = 'c';
    fFrame[fFrame.size() - 2] = char(fFrame.at(fFrame.size() - 2) ^ ('C' ^ 'c')); // the check code covers it
    QTest::newRow("lower-case hex length") << fFrame << int(Frame::Complete) << QByteArray(0x1A, '1');

    QTest::newRow("first half") << good.left(9) << int(Frame::Incomplete) << QByteArray();
    QTest::newRow("one byte") << good.left(1) << int(Frame::Incomplete) << QByteArray();
    QTest::newRow("all but CR") << good.left(good.size() - 1) << int(Frame::Incomplete) << QByteArray();
    QTest::newRow("shortest frame, cut") << ControlTest::commandReply("").left(10) << int(Frame::Incomplete)
                                         << QByteArray();

    auto corrupt = [&](int index, char value) {
        QByteArray bytes = good;
        bytes[index] = value;
        return bytes;
    };
    QTest::newRow("no SOH") << corrupt(0, 'x') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("byte 1 not '0'") << corrupt(1, '1') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("destination '*' (a request)") << corrupt(2, '*') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("request type") << corrupt(4, 'A') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("no STX") << corrupt(7, 'x') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("wrong block check code") << corrupt(good.size() - 2, char(good.at(good.size() - 2) ^ 0x40))
                                            << int(Frame::Invalid) << QByteArray();
    QTest::newRow("no ETX") << corrupt(good.size() - 3, 'x') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("no CR") << corrupt(good.size() - 1, '\n') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("non-hex length counts as 0") << corrupt(5, 'G') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("length too short") << corrupt(6, '1') << int(Frame::Invalid) << QByteArray();
    QTest::newRow("first byte wrong, short") << QByteArray("\x02") << int(Frame::Invalid) << QByteArray();
}

void tst_ControlProtocol::readReplyFrame()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, check);
    QFETCH(QByteArray, message);
    const Frame frame = ControlProtocol::readReplyFrame(bytes);
    QCOMPARE(int(frame.check), check);
    QCOMPARE(frame.message, message);
}

void tst_ControlProtocol::hexText_data()
{
    QTest::addColumn<QByteArray>("pairs");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << ControlTest::hexText("K5-552") << QStringLiteral("K5-552");
    QTest::newRow("lower-case digits") << QByteArray("6b352d353532") << QStringLiteral("k5-552");
    QTest::newRow("odd digit ignored") << QByteArray("4B354") << QStringLiteral("K5");
    QTest::newRow("LF ends") << ControlTest::hexText("AB\nCD") << QStringLiteral("AB");
    QTest::newRow("NUL padding ends") << ControlTest::hexText(QByteArray("AB\0\0\0", 5)) << QStringLiteral("AB");
    QTest::newRow("bad pair ends") << QByteArray("4142ZZ4344") << QStringLiteral("AB");
    QTest::newRow("UTF-8") << ControlTest::hexText("Gr\xC3\xBC\xC3\x9F" "e") << QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("200 bytes cut to 127") << ControlTest::hexText(QByteArray(200, 'x')) << QString(127, QLatin1Char('x'));
}

void tst_ControlProtocol::hexText()
{
    QFETCH(QByteArray, pairs);
    QFETCH(QString, text);
    QCOMPARE(ControlProtocol::decodeHexText(pairs), text);
}

void tst_ControlProtocol::rawText_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("assetData");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QByteArray("R1.234") << false << QStringLiteral("R1.234");
    QTest::newRow("LF ends") << QByteArray("R1\nxx") << false << QStringLiteral("R1");
    QTest::newRow("0xFF ends asset data") << QByteArray("TAG\xFF\xFF\xFF") << true << QStringLiteral("TAG");
    QTest::newRow("0xFF kept elsewhere") << QByteArray("A\xFF" "B") << false << QString::fromUtf8("A\xFF" "B");
    QTest::newRow("spaces kept") << QByteArray("  TAG  ") << true << QStringLiteral("  TAG  ");
    QTest::newRow("300 bytes cut to 127") << QByteArray(300, 'a') << true << QString(127, QLatin1Char('a'));
}

void tst_ControlProtocol::rawText()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, assetData);
    QFETCH(QString, text);
    QCOMPARE(ControlProtocol::decodeRawText(raw, assetData), text);
}

void tst_ControlProtocol::textLimitKeepsWholeCharacters_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<int>("keptBytes");
    const QByteArray euro("\xE2\x82\xAC");         // 3 bytes
    const QByteArray emoji("\xF0\x9F\x93\xBA");    // 4 bytes
    QTest::newRow("fits exactly") << QByteArray(127, 'a') << 127;
    QTest::newRow("3-byte char across the limit") << QByteArray(126, 'a') + euro << 126;
    QTest::newRow("3-byte char ends at the limit") << QByteArray(124, 'a') + euro + "b" << 127;
    QTest::newRow("4-byte char across the limit") << QByteArray(125, 'a') + emoji << 125;
    QTest::newRow("only 3-byte chars") << euro.repeated(50) << 126;
    QTest::newRow("stray continuation bytes") << QByteArray(200, '\x80') << 124;
}

void tst_ControlProtocol::textLimitKeepsWholeCharacters()
{
    QFETCH(QByteArray, utf8);
    QFETCH(int, keptBytes);
    const QByteArray kept = ControlProtocol::truncateUtf8(utf8, ControlProtocol::kMaxTextBytes);
    QCOMPARE(kept.size(), keptBytes);
    QVERIFY(utf8.startsWith(kept));
}

QTEST_GUILESS_MAIN(tst_ControlProtocol)
#include "tst_controlprotocol.moc"

#include "discovery/controlexchange.h"
#include "discovery/controlrequests.h"

#include <QtTest>

using Outcome = ControlExchange::Outcome;
using Step = ControlExchange::Step;

Q_DECLARE_METATYPE(DISPLAY_LIST_ENTRY)

// The course of control exchanges without sockets, byte for byte: the request packets, what each reply means
// (malformed frames included), and how silent, refusing and babbling displays are worked around.
namespace {

// A reply frame as a display sends it, built apart from the client's own encoder so that the tests compare against
// the wire format itself: SOH '0' '0' <display id> <type> <length> STX <message> ETX <block check code> CR.
QByteArray replyFrame(char type, const QByteArray &message, char displayId = 'A')
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
QByteArray cmd(const QByteArray &message) { return replyFrame('B', message); }
// Upper-case hexadecimal byte pairs of a text, as texts travel in replies.
QByteArray hexText(const QByteArray &text) { return text.toHex().toUpper(); }

// A bit beyond the request flags that makes IP address 2 0.0.0.0 (none); else it is 127.0.0.99.
constexpr int kNoAddress2 = 0x10000000;

// Starts an exchange and feeds it `events`: reply bytes, "T" for a reply time-out, and for a probe its page ("F:"
// first: the request failed). Returns each packet sent or the step taken, and "stop" when the exchange failed.
QByteArrayList run(ControlExchange &exchange, int flags, const QByteArrayList &events,
                   const QHostAddress &address2 = QHostAddress(QStringLiteral("127.0.0.99")))
{
    exchange.setRequestFlags(flags);
    exchange.begin(QHostAddress(QStringLiteral("127.0.0.2")), address2);
    exchange.connected();
    QByteArrayList taken;
    Step step;
    Outcome outcome = Outcome::Continue;
    for (int i = 0; i <= events.size(); ++i) {
        static const char *const names[] = {"", "probe IP2", "probe lock", "end"};
        if (outcome == Outcome::Continue) {
            step = exchange.next();
            taken << (step.kind == Step::Send ? step.packet : names[step.kind]);
        }
        if (i == events.size() || step.kind == Step::Finished)
            break;
        const QByteArray &event = events.at(i);
        const int probeStatus = event.startsWith("F:") ? 10003 : 0;
        outcome = Outcome::Continue;
        if (step.kind == Step::ProbeLock)
            exchange.lockProbeFinished(probeStatus, event);
        else if (step.kind == Step::ProbeAlternateAddress)
            exchange.alternateAddressProbeFinished(probeStatus, event);
        else
            outcome = event == "T" ? exchange.replyTimedOut() : exchange.replyReceived(event);
        if (outcome == Outcome::Stop)
            return taken << "stop";
    }
    return taken;
}

QVariant field(const ControlExchange &e, const QString &name)
{
    const PD_TCP_REPLY &r = e.reply();
    return QVariantMap{{"modelName", r.modelName}, {"serialNumber", r.serialNumber}, {"fw1", r.fwVersions[0]},
                       {"currentFirmware", r.currentFirmware}, {"assetTag", r.assetTag}, {"powerState", r.powerState},
                       {"powerSaveMode", r.powerSaveMode}, {"setParamValue", r.setParamValue},
                       {"getParamValue", r.getParamValue}, {"remaining", e.remainingFlags()},
                       {"probes", QStringLiteral("lock %1 ip2 %2").arg(r.lockStatus).arg(r.ip2CheckResult)}}
        .value(name);
}

}

class tst_ControlExchange : public QObject
{
    Q_OBJECT

private slots:
    void everyFlagInOrder();
    void course_data();
    void course();
    void flags_data();
    void flags();
    void merging();
};

void tst_ControlExchange::everyFlagInOrder()
{
    const int all = 0xFFF7F;
    const QByteArrayList answers{
        cmd("C317" + hexText("K5-552")), cmd("0200D60000000001"), cmd("C316" + hexText("SN0001")),
        cmd("C13F" + hexText("R1.100")), "<html></html>", "<html></html>", cmd("00C203D60001"), cmd("C10BASSET-"),
        cmd("C10BTAIL"), cmd("CB0B0001"), cmd("CB0B0100"), cmd("CB0B0100"), cmd("CB0B0100"),
        cmd("C13E" + hexText("FW1.0000FW2.0000FW3.0000FW4.0000")), cmd("CB020000V00"), cmd("CB020001V01"),
        cmd("CB020002V02"), cmd("CB020003V03"), cmd("CB020004V04"), replyFrame('F', "00130700FFFF2A3B"),
        replyFrame('F', "00130300FFFF2A3B"), replyFrame('D', "00130600FFFF0032")};
    ControlExchange e;
    QByteArrayList steps = run(e, all, answers);
    ControlExchange off; // power off comes only without power on
    steps += run(off, TCP_REQ_POWER_OFF, {}, QHostAddress());
    // SOH, '0' '*' '0', type, length, STX, message, ETX, block check code, CR; the probes after C03F.
    QByteArrayList expected;
    for (const char *step : {"01 302A30 41 3036 02 43323137 03 1B 0D", "01 302A30 41 3036 02 30314436 03 1F 0D",
                             "01 302A30 41 3036 02 43323136 03 1A 0D", "01 302A30 41 3036 02 43303346 03 6A 0D",
                             "probe IP2", "probe lock", "01 302A30 41 3043 02 43323033443630303031 03 18 0D",
                             "01 302A30 41 3041 02 4330304230303230 03 18 0D", "01 302A30 41 3041 02 4330304232303230 03 1A 0D",
                             "01 302A30 41 3038 02 434130423030 03 12 0D", "01 302A30 41 3041 02 4341304230313032 03 68 0D",
                             "01 302A30 41 3041 02 4341304230313030 03 6A 0D", "01 302A30 41 3041 02 4341304230313031 03 6B 0D",
                             "01 302A30 41 3036 02 43303345 03 69 0D", "01 302A30 41 3038 02 434130323030 03 62 0D",
                             "01 302A30 41 3038 02 434130323031 03 63 0D", "01 302A30 41 3038 02 434130323032 03 60 0D",
                             "01 302A30 41 3038 02 434130323033 03 61 0D", "01 302A30 41 3038 02 434130323034 03 66 0D",
                             "01 302A30 45 3041 02 3133303730303031 03 1B 0D", "01 302A30 45 3041 02 3133303330303031 03 1F 0D",
                             "01 302A30 43 3036 02 31333036 03 6A 0D", "end", "01 302A30 41 3043 02 43323033443630303034 03 1D 0D"})
        expected << (step[0] == '0' ? QByteArray::fromHex(step) : QByteArray(step));
    QCOMPARE(steps, expected);
    const PD_TCP_REPLY &r = e.reply();
    QCOMPARE(QList<int>({r.tcpStatus, r.requestFlags, r.powerState, r.powerSaveMode, r.setParamValue, r.getParamValue,
                         r.lockStatus, r.ip2CheckResult}),
             QList<int>({0, all, 1, 1, 0x2A3B, 0x32, 0, 0})); // power on and auto standby, the last changes
    QCOMPARE(QStringList({r.modelName, r.serialNumber, r.currentFirmware, r.fwVersions[0], r.fwVersions[3], r.assetTag}),
             QStringList({"K5-552", "SN0001", "V00", "V01", "V04", "ASSET-TAIL"})); // the newer firmware read came last
}

void tst_ControlExchange::course_data()
{
    // The steps taken ("stop" and the status when the exchange failed), then one field of the reply.
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArrayList>("events");
    QTest::addColumn<QByteArrayList>("course");
    const auto row = [](const char *name, int flags, const QByteArrayList &events, const QByteArrayList &course) {
        QTest::newRow(name) << flags << events << course;
    };
    const QByteArray model = cmd("C317" + hexText("K5-552"));
    const QByteArray be = cmd("BE");
    enum : int { Model = TCP_REQ_MODEL_NAME, Serial = TCP_REQ_SERIAL_NUMBER, Power = TCP_REQ_POWER_STATUS,
                 Asset = TCP_REQ_ASSET_DATA, SaveRead = TCP_REQ_POWER_SAVE_READ, SaveOff = TCP_REQ_POWER_SAVE_OFF,
                 Fw = TCP_REQ_FIRMWARE, Versions = TCP_REQ_VERSIONS, On = TCP_REQ_POWER_ON, Off = TCP_REQ_POWER_OFF,
                 Upload = TCP_REQ_UPLOAD_REQUEST, Progress = TCP_REQ_UPDATE_PROGRESS, LegacyFw = TCP_REQ_FIRMWARE_LEGACY };

    // Frames: the display id is not checked; a malformed frame fails the exchange.
    row("display id 0xFF", Model, {replyFrame('B', "C317" "58", '\xFF')}, {"C217", "end", "modelName=X"});
    for (const auto &[name, index, value] :
         {std::tuple{"no SOH", 0, 'x'}, {"byte 1 not '0'", 1, '1'}, {"destination '*' (a request)", 2, '*'},
          {"request type", 4, 'A'}, {"non-hex length counts as 0", 5, 'G'}, {"length too short", 6, '1'},
          {"no STX", 7, 'x'}, {"no ETX", -3, 'x'}, {"no CR", -1, '\n'}, {"wrong check code", -2, '\0'}}) {
        QByteArray bytes = model;
        bytes[index < 0 ? bytes.size() + index : index] = value ? value : char(bytes.at(bytes.size() - 2) ^ 0x40);
        row(name, Model, {bytes}, {"C217", "stop -3001", "modelName="});
    }
    row("length below 2", Model, {QByteArray("\x01" "00AB01\x02\x03\x00\r", 11)}, {"C217", "stop -3001", "modelName="});
    row("first piece cannot begin a reply", Model, {"\x01" "0*"}, {"C217", "stop -3001", "modelName="});
    row("reply in pieces", Model, {model.left(1), model.mid(1, 8), model.mid(9)}, {"C217", "end", "modelName=K5-552"});
    row("reply never completed", Model, {model.left(model.size() - 1), "T"}, {"C217", "stop -3001", "modelName="});
    row("two replies in one read: the second is dropped", Model | Serial, {model + cmd("C316" "53")},
        {"C217", "C216", "serialNumber="});
    row("late reply of the earlier command", Model | Serial, {model, cmd("C317" "4E4557"), cmd("C316" "53")},
        {"C217", "C216", "C216", "end", "modelName=NEW"});
    // Texts: hexadecimal pairs in most replies, raw bytes in firmware texts and asset data.
    row("hex text, lower-case digits", Model, {cmd("C317" "6b352d353532")}, {"C217", "end", "modelName=k5-552"});
    row("hex text ends at a NUL", Model, {cmd("C317" "50353500000000")}, {"C217", "end", "modelName=P55"});
    row("hex text ends at LF", Model, {cmd("C317" "41420A4344")}, {"C217", "end", "modelName=AB"});
    row("hex text ends at a pair that is not hex", Model, {cmd("C317" "4142ZZ4344")}, {"C217", "end", "modelName=AB"});
    row("raw text ends at LF", Fw, {cmd("CB020000R1\nrest")}, {"CA0200", "end", "currentFirmware=R1"});
    // Texts are cut to 127 bytes, never inside a character.
    const QByteArray euro("\xE2\x82\xAC");
    for (const auto &[name, text, kept] :
         {std::tuple{"asset data ends at 0xFF", QByteArray("TAG 42 \xFF\xFF"), QByteArray("TAG 42 ")},
          {"3-byte character across the limit", QByteArray(126, 'a') + euro, QByteArray(126, 'a')},
          {"3-byte character ending at the limit", QByteArray(124, 'a') + euro + "b", QByteArray(124, 'a') + euro},
          {"4-byte character across the limit", QByteArray(125, 'a') + "\xF0\x9F\x93\xBA", QByteArray(125, 'a')},
          {"stray continuation bytes", QByteArray(200, '\x80'), QString::fromUtf8(QByteArray(124, '\x80')).toUtf8()}})
        row(name, Asset, {cmd("C10B" + text)}, {"C00B0020", "C00B2020", "assetTag=" + kept});
    // Command replies.
    for (const char *bad : {"0200D6000001", "0200D60100000001", "0200D6000000XY01"}) // no state, not asked again
        row(bad, Power, {cmd(bad)}, {"01D6", "end", "powerState=0"});
    row("legacy versions too short", TCP_REQ_VERSIONS_LEGACY, {cmd("C13E" + QByteArray(62, '1'))}, {"C03E", "end", "fw1="});
    for (const char *odd : {"CB0B0003", "CB0B00", "CB0B0200"}) // unknown value, short, another result
        row(odd, SaveRead, {cmd(odd)}, {"CA0B00", "end", "powerSaveMode=-1"});
    row("set result 1 with value 1", SaveOff, {cmd("CB0B0101")}, {"CA0B0102", "end", "powerSaveMode=-1"});
    // Every change is acknowledged alike: the requested mode is recorded.
    row("CB0B0100 after setting auto power save", TCP_REQ_POWER_SAVE_AUTO_POWER_SAVE, {cmd("CB0B0100")},
        {"CA0B0100", "end", "powerSaveMode=0"});
    row("CB0B0100 after setting off", SaveOff, {cmd("CB0B0100")}, {"CA0B0102", "end", "powerSaveMode=2"});
    row("index beyond 4 ends the series", Versions, {cmd("CB020005X")}, {"CA0201", "end", "fw1="});
    row("firmware text refused by result", Versions, {cmd("CB020101")}, {"CA0201", "end", "fw1="});
    row("firmware text too short", Fw, {cmd("CB0200")}, {"CA0200", "stop -3001", "remaining=" + QByteArray::number(Fw)});
    row("firmware index not hex", Fw, {cmd("CB0200ZZR1")}, {"CA0200", "stop -3001", "currentFirmware="});
    row("unknown reply code", Model, {cmd("C999" "58")}, {"C217", "stop -3002", "modelName="});
    row("reply shorter than a code", Model, {cmd("C31")}, {"C217", "stop -3001", "modelName="});
    row("BE to the model name", Model | Serial, {be}, {"C217", "stop -3002", "remaining=" + QByteArray::number(Model | Serial)});
    row("BE to a power save change", SaveOff, {be}, {"CA0B0102", "stop -3002", "powerSaveMode=-2"});
    // Power switch replies; any answer clears both switch flags.
    row("power on refused", On | Off, {cmd("01C203D60001")}, {"C203D60001", "stop -3001", "remaining=0"});
    for (const char *bad : {"00C204D60001", "00C203D70001", "00C203D600"})
        row(bad, On, {cmd(bad)}, {"C203D60001", "stop -3001", "powerState=0"});
    // Parameter replies.
    row("1303 in a get reply", Progress, {replyFrame('D', "00130300FFFF0001")}, {"1306", "end", "setParamValue=0"});
    row("1306 in a set reply", TCP_REQ_START_UPDATE, {replyFrame('F', "00130600FFFF0032")}, {"13030001", "end", "getParamValue=0"});
    row("1307 in a get reply", Progress, {replyFrame('D', "00130700FFFF0007")}, {"1306", "end", "setParamValue=7"});
    row("power mode parameter", Progress, {replyFrame('D', "0000D600FFFF0004")}, {"1306", "end", "powerState=4"});
    row("non-zero result", Upload, {replyFrame('F', "01130700FFFF2A3B")}, {"13070001", "end", "setParamValue=0"});
    for (const char *bad : {"00130700FFFF2A3", "00130700FFFF2A3B0", "00130700FFFF2A3G"})
        row(bad, Upload, {replyFrame('F', bad)}, {"13070001", "stop -3001", "setParamValue=0"});
    // Silent and refusing displays.
    row("silent command sent again once, later ones skipped at once", Model | Serial | Power,
        {"T", "T", "T", cmd("C316" "5331")}, {"C217", "C217", "01D6", "C216", "end", "serialNumber=S1"});
    // A change or update step never acknowledged fails the exchange instead of reading as done.
    row("silent power switch", On, {"T", "T"}, {"C203D60001", "C203D60001", "stop -1", "powerState=0"});
    row("silent upload request", Upload, {"T", "T"}, {"13070001", "13070001", "stop -1", "setParamValue=0"});
    row("silent legacy firmware read: the newer one, also twice", Model | LegacyFw, {"T", model, "T", "T", "T"},
        {"C217", "C217", "C03F", "CA0200", "CA0200", "end", "modelName=K5-552"});
    row("refused C03F: CA0200", LegacyFw, {be, cmd("CB020000R1")}, {"C03F", "CA0200", "end", "currentFirmware=R1"});
    row("refused C03E: no version and firmware reads", LegacyFw | TCP_REQ_VERSIONS_LEGACY | Versions, {be, be},
        {"C03F", "C03E", "end", "currentFirmware="});
    row("refused CA0202 ends the series", Versions, {cmd("CB020001V1"), be}, {"CA0201", "CA0202", "end", "fw1=V1"});
    row("refused asset and power save reads skipped", Asset | SaveRead, {be, be}, {"C00B0020", "CA0B00", "end", "powerSaveMode=-2"});
    // Replies that complete nothing: the request is given up after four sends.
    for (const auto &[name, flag, useless, request] : {std::tuple{"model name to every serial read", Serial, model, "C216"},
                                                       {"firmware text to every version read", Versions, cmd("CB020000R1"), "CA0201"}})
        row(name, flag, {useless, useless, useless, useless}, {request, request, request, request, "end", "assetTag="});
    // The web probes, IP address 2 first (0.0.0.0: none). A failed request or an empty page fails a probe; the login
    // path is case-sensitive.
    const int probes = TCP_REQ_VERIFY_IP2 | TCP_REQ_LOCK_STATUS;
    row("login link", probes, {"<html/>", "<a href=\"/Logon/x\">"}, {"probe IP2", "probe lock", "end", "probes=lock 1 ip2 0"});
    row("failed request, empty page", probes, {"F:<html/>", ""}, {"probe IP2", "probe lock", "end", "probes=lock 2 ip2 1"});
    row("empty page, lower-case login path", probes, {"", "<a href=\"/logon/\">"},
        {"probe IP2", "probe lock", "end", "probes=lock 0 ip2 1"});
    row("no IP address 2, failed request", probes | kNoAddress2, {"F:/Logon/"}, {"probe lock", "end", "probes=lock 2 ip2 1"});
}

void tst_ControlExchange::course()
{
    QFETCH(int, flags);
    QFETCH(QByteArrayList, events);
    QFETCH(QByteArrayList, course);
    ControlExchange e;
    QByteArrayList taken = run(e, flags & ~kNoAddress2, events,
                               QHostAddress(flags & kNoAddress2 ? "0.0.0.0" : "127.0.0.99"));
    for (QByteArray &step : taken)
        step = step.startsWith('\x01') ? step.mid(8, step.size() - 11) : step; // the message of a packet
    if (taken.last() == "stop")
        taken.last() += ' ' + QByteArray::number(e.reply().tcpStatus);
    else
        QCOMPARE(e.reply().tcpStatus, 0);
    const QByteArray name = course.last().left(course.last().indexOf('='));
    QCOMPARE(taken << name + '=' + field(e, name).toString().toUtf8(), course);
}

// What the main window asks a display for, by series, and how the answer lands in the display's row.
void tst_ControlExchange::flags_data()
{
    QTest::addColumn<bool>("refresh");
    QTest::addColumn<DISPLAY_LIST_ENTRY>("row");
    QTest::addColumn<int>("flags");
    const auto row = [](const char *name, bool refresh, int udpSeries, int seriesId, const char *firmware,
                        const char *fw1, int useIP2, int flags) {
        DISPLAY_LIST_ENTRY entry;
        entry.udpSeries = udpSeries;
        entry.seriesId = seriesId;
        entry.currentFirmware = QLatin1String(firmware);
        entry.fwVersions[0] = QLatin1String(fw1);
        entry.useIP2 = useIP2;
        QTest::newRow(name) << refresh << entry << flags;
    };
    row("search, group 2, nothing known", false, 3, 0, "-.-", "", 0, 0x331F);
    row("search, series 11, all known", false, 11, 0, "R1.2", "1.0", 0, 0x3107);
    row("search, group 1, nothing known", false, 2, 0, "", "", 0, 0x3167);
    row("search, code 69 has a second address", false, 69, 0, "1.0", "x", 0, 0x3307);
    row("refresh, group 2, second address used", true, 4, 4, "", "", 1, 0x131E);
    row("refresh, group 1 reads power save", true, 1, 2, "", "", 0, 0x3166);
}

void tst_ControlExchange::flags()
{
    QFETCH(bool, refresh);
    QFETCH(DISPLAY_LIST_ENTRY, row);
    QFETCH(int, flags);
    const int actual = refresh ? ControlRequests::refreshRequestFlags(row) : ControlRequests::searchRequestFlags(row);
    QCOMPARE(QString::number(actual, 16), QString::number(flags, 16));
}

void tst_ControlExchange::merging()
{
    DISPLAY_LIST_ENTRY row;
    row.modelName = QStringLiteral("K5-432");
    row.fwVersions = {QStringLiteral("1.0"), QStringLiteral("2.0"), QString(), QString()};
    PD_TCP_REPLY reply;
    reply.requestFlags = TCP_REQ_MODEL_NAME | TCP_REQ_SERIAL_NUMBER | TCP_REQ_VERSIONS | TCP_REQ_POWER_STATUS
        | TCP_REQ_ASSET_DATA | TCP_REQ_LOCK_STATUS;
    reply.modelName = QStringLiteral("   "); // an empty answer keeps what the search said
    reply.serialNumber = QStringLiteral(" 41A00001 ");
    reply.fwVersions = {QStringLiteral(" 1.1"), QString(), QString(), QString()};
    reply.assetTag = QStringLiteral(" Rack 4 ");
    reply.powerState = 2;
    reply.lockStatus = 1;
    reply.tcpStatus = TcpStatus::BadReply;
    ControlRequests::mergeControlResult(row, reply);
    QCOMPARE(QStringList({row.modelName, row.serialNumber, row.fwVersions[0], row.fwVersions[1], row.assetTag}),
             QStringList({"K5-432", "41A00001", "1.1", "2.0", " Rack 4 "}));
    // The power state comes also from a failed exchange; power save was not asked for.
    QCOMPARE(QList<int>({row.powerState, row.lockStatus, row.commStatus, row.powerSaveMode}), QList<int>({2, 1, 1, -2}));

    reply = PD_TCP_REPLY();
    reply.requestFlags = TCP_REQ_POWER_SAVE_AUTO_STANDBY;
    reply.powerSaveMode = 1;
    reply.powerState = 4;
    ControlRequests::mergePowerResult(row, reply); // a success leaves the failure shown
    QCOMPARE(QList<int>({row.powerSaveMode, row.powerState, row.commStatus}), QList<int>({1, 2, 1}));
}

QTEST_GUILESS_MAIN(tst_ControlExchange)
#include "tst_controlexchange.moc"

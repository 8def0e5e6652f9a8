#include "discovery/controlexchange.h"
#include "discovery/controlprotocol.h"

#include "controltesthelpers.h"

#include <QRandomGenerator>
#include <QtTest>

// Feeds random and mutated reply frames to the reply reader and the
// exchange. Nothing may crash or read out of bounds (run it under the
// AddressSanitizer build too), every exchange must end in a bounded number
// of steps, and every outcome must be one of the defined codes.
class tst_ControlReplyFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomBytes();
    void mutatedFrames();

private:
    void drive(int flags, const QList<QByteArray> &reads);
    QByteArray validReply();
    QByteArray mutate(QByteArray frame);

    QRandomGenerator m_random{20240112};
};

namespace {

const QByteArray kMessages[] = {
    "C317" "4B352D353532", "0200D60000000001", "C316" "534E", "C13F" "52312E30", "C10BTAG\xFF",
    "CB0B0100", "CB0B0002", "CB020000R1", "CB020004V4", "CB020105", "BE", "00C203D60001",
    "C13E" "31323334353637383132333435363738313233343536373831323334353637383132333435363738",
    "00130700FFFF2A3B", "00130600FFFF0032", "", "C3", "0200D6",
};
const char kTypes[] = {'B', 'D', 'F', 'A', 'C', 'E', '\0', '\xFF'};

}

QByteArray tst_ControlReplyFuzz::validReply()
{
    const QByteArray &message = kMessages[m_random.bounded(int(std::size(kMessages)))];
    const char type = kTypes[m_random.bounded(3)];
    return ControlTest::replyFrame(type, message, char(m_random.bounded(256)));
}

QByteArray tst_ControlReplyFuzz::mutate(QByteArray frame)
{
    const int edits = 1 + m_random.bounded(4);
    for (int i = 0; i < edits && !frame.isEmpty(); ++i) {
        const int at = m_random.bounded(frame.size());
        switch (m_random.bounded(5)) {
        case 0: // flip a byte
            frame[at] = char(m_random.bounded(256));
            break;
        case 1: // cut
            frame.truncate(at);
            break;
        case 2: // insert
            frame.insert(at, char(m_random.bounded(256)));
            break;
        case 3: // lie about the length
            if (frame.size() > 6)
                frame[5 + m_random.bounded(2)] = "0123456789ABCDEFXf"[m_random.bounded(18)];
            break;
        default: // append noise or another frame
            frame.append(m_random.bounded(2) ? validReply() : QByteArray(m_random.bounded(40), '\x03'));
            break;
        }
    }
    return frame;
}

void tst_ControlReplyFuzz::drive(int flags, const QList<QByteArray> &reads)
{
    ControlExchange exchange;
    exchange.setRequestFlags(flags);
    exchange.begin(QHostAddress(QStringLiteral("127.0.0.2")), QHostAddress(QStringLiteral("0.0.0.0")));
    exchange.connected();
    int read = 0;
    for (int step = 0; step < 200; ++step) {
        const ControlExchange::Step next = exchange.next();
        if (next.kind == ControlExchange::Step::Finished)
            return;
        if (next.kind == ControlExchange::Step::ProbeLock) {
            exchange.lockProbeFinished(0, reads.isEmpty() ? QByteArray() : reads.at(read % reads.size()));
            continue;
        }
        QVERIFY(next.kind == ControlExchange::Step::Send);
        ControlExchange::Outcome outcome = ControlExchange::Outcome::Wait;
        while (outcome == ControlExchange::Outcome::Wait && read < reads.size())
            outcome = exchange.replyReceived(reads.at(read++));
        if (outcome == ControlExchange::Outcome::Wait)
            outcome = exchange.replyTimedOut();
        if (outcome == ControlExchange::Outcome::Stop) {
            const int status = exchange.reply().tcpStatus;
            QVERIFY2(status == TcpStatus::BadReply || status == TcpStatus::Refused, QByteArray::number(status).constData());
            return;
        }
        const PD_TCP_REPLY &reply = exchange.reply();
        QVERIFY(reply.modelName.toUtf8().size() <= 127 * 3); // replacement characters may widen bytes
        QVERIFY(reply.powerSaveMode >= -2 && reply.powerSaveMode <= 2);
    }
    QFAIL("the exchange did not end");
}

void tst_ControlReplyFuzz::randomBytes()
{
    for (int round = 0; round < 10000; ++round) {
        QByteArray bytes(m_random.bounded(300), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(m_random.bounded(256));
        if (m_random.bounded(2) && bytes.size() > 8) {
            bytes[0] = '\x01';
            bytes[1] = '0';
            bytes[2] = '0';
            bytes[4] = kTypes[m_random.bounded(3)];
            bytes[7] = '\x02';
        }
        const ControlProtocol::Frame frame = ControlProtocol::readReplyFrame(bytes);
        QVERIFY(frame.message.size() <= qMax(0, bytes.size() - 11));
        ControlProtocol::decodeHexText(bytes);
        ControlProtocol::decodeRawText(bytes, round % 2);
        drive(int(m_random.generate() & 0xFFF7F) & ~TCP_REQ_VERIFY_IP2, {bytes});
    }
}

void tst_ControlReplyFuzz::mutatedFrames()
{
    for (int round = 0; round < 10000; ++round) {
        QList<QByteArray> reads;
        const int replies = 1 + m_random.bounded(12);
        for (int i = 0; i < replies; ++i) {
            const QByteArray frame = m_random.bounded(3) ? validReply() : mutate(validReply());
            // Deliver it whole or in random pieces.
            int at = 0;
            while (at < frame.size()) {
                const int piece = m_random.bounded(3) ? frame.size() - at : 1 + m_random.bounded(frame.size() - at);
                reads << frame.mid(at, piece);
                at += piece;
            }
        }
        drive(int(m_random.generate() & 0xFFF7F), reads);
    }
}

QTEST_GUILESS_MAIN(tst_ControlReplyFuzz)
#include "tst_controlreplyfuzz.moc"

#include "discovery/searchdatagrams.h"

#include "searchreplybytes.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using namespace UdpSearch;

// Feeds random and mutated datagrams to the reply checks and decoder. The
// point is what the sanitizer build sees: no crash, no read outside the
// datagram. The checks below pin the few invariants that must hold for any
// input. The seed is fixed so that a failure can be replayed.
class tst_SearchReplyFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomBytes();
    void mutatedReplies();

private:
    void feed(const QByteArray &datagram);

    QRandomGenerator m_random{20240112};
    int m_accepted = 0;
};

void tst_SearchReplyFuzz::feed(const QByteArray &datagram)
{
    static const QRegularExpression macPattern(
        QStringLiteral("^[0-9A-F]{2}(-[0-9A-F]{2}){5}$"));
    const quint16 sequence = 0x1234;
    const int filterMode = int(m_random.bounded(5));
    const ReplyVerdict verdict = classifyReply(datagram, sequence, filterMode, m_random.bounded(2));
    if (datagram.size() != kReplySize)
        QCOMPARE(verdict, ReplyVerdict::Dropped);
    if (verdict != ReplyVerdict::Dropped)
        ++m_accepted;
    hasListableStatus(datagram);

    const DISPLAY_UDP_SEARCH_REPLY_INFO info =
        parseReply(datagram, QHostAddress(QStringLiteral("::ffff:127.0.0.9")));
    QVERIFY(info.statusChar >= -128 && info.statusChar <= 127);
    QVERIFY(info.statusChar != '*');
    QVERIFY(macPattern.match(info.macAddress).hasMatch());
    QVERIFY(info.modelName.size() <= qMax(0, datagram.size() - 96));
    QVERIFY(info.currentFirmware.size() <= qMax(0, datagram.size() - 226));
    QVERIFY(info.fwVersions[0].size() <= qMax(0, datagram.size() - 180));
    QVERIFY(info.fwVersions[3].size() <= qMax(0, datagram.size() - 207));
    QCOMPARE(info.ipAddress2.isNull(), !udpSeriesHasIP2(info.series));
    QCOMPARE(info.ipAddress, QHostAddress(QStringLiteral("127.0.0.9")));
}

void tst_SearchReplyFuzz::randomBytes()
{
    for (int i = 0; i < 5000; ++i) {
        // Mostly the reply size and its neighbours, sometimes anything.
        static const int sizes[] = {0, 1, 4, 17, 127, 128, 152, 153, 171, 225, 255, 256, 257, 512};
        const int size = i % 3 == 0 ? int(m_random.bounded(1500))
                                    : sizes[m_random.bounded(int(std::size(sizes)))];
        QByteArray datagram(size, '\0');
        for (char &c : datagram)
            c = char(m_random.bounded(256));
        feed(datagram);
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_SearchReplyFuzz::mutatedReplies()
{
    m_accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        SearchReplyBytes reply;
        reply.type(m_random.bounded(3) == 0 ? 8 : 2).series(quint8(m_random.bounded(256)));
        if (m_random.bounded(4) == 0)
            reply.fill(32, 224, char(0xFF)); // no NUL anywhere after the identity
        const int mutations = 1 + int(m_random.bounded(8));
        for (int m = 0; m < mutations; ++m)
            reply.byte(int(m_random.bounded(256)), quint8(m_random.bounded(256)));
        if (m_random.bounded(10) == 0)
            reply.resize(int(m_random.bounded(300)));
        feed(reply);
        if (QTest::currentTestFailed())
            return;
    }
    // The mutations must leave enough replies intact to reach the decoder's
    // accepted paths, or the fuzzing proves little.
    QVERIFY2(m_accepted > 1000, qPrintable(QString::number(m_accepted)));
}

QTEST_GUILESS_MAIN(tst_SearchReplyFuzz)
#include "tst_searchreplyfuzz.moc"

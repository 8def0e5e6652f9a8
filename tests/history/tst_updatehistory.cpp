#include "history/updatehistory.h"

#include "testfiles.h"

#include <QtTest>

namespace {

HistoryRecord session(const QString &outcome, qint64 secs)
{
    HistoryRecord r;
    r.key = outcome;
    r.started = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    r.ended = secs < 0 ? QDateTime() : r.started.addSecs(secs);
    r.model = QStringLiteral("K5-432");
    r.serialNumber = QStringLiteral("12345678");
    r.address = QStringLiteral("127.0.0.2");
    r.firmwareBefore = QStringLiteral("R1.200");
    r.releaseVersion = QStringLiteral("R1.400");
    r.outcome = outcome;
    return r;
}

// Everything the store keeps, as one comparable text.
QString fields(const HistoryRecord &r)
{
    return (HistoryColumns::rowTexts(r) << r.key << HistoryRecord::kindKey(r.kind)).join(QLatin1Char('|'));
}

}

class tst_UpdateHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init() { m_path = m_dir.filePath(QStringLiteral("%1.sqlite").arg(QTest::currentDataTag())); }

    void roundTrip_data()
    {
        QTest::addColumn<HistoryRecord>("record");
        HistoryRecord failed = session(QStringLiteral("Error: Update failed."), 3725);
        failed.files = QStringList{QStringLiteral("a.pac"), QStringLiteral("b.pac")};
        failed.digests = QStringList{QStringLiteral("0123abcd"), QStringLiteral("4567ef01")};
        HistoryRecord usb = session(QStringLiteral("Copied and verified"), 12);
        usb.kind = HistoryRecord::Kind::UsbDrive;
        usb.drive = QStringLiteral("STICK (/media/stick)");
        QTest::newRow("finished") << session(QStringLiteral("Success"), 59);
        QTest::newRow("failed") << failed;
        QTest::newRow("interrupted") << session(QStringLiteral("Interrupted (last step: uploading the firmware)"), -1);
        QTest::newRow("usb drive") << usb;
    }
    // Written on the store's thread, read back synchronously; --since drops the older record.
    void roundTrip()
    {
        QFETCH(HistoryRecord, record);
        HistoryRecords records;
        QString error;
        QVERIFY(UpdateHistory::read(m_path, {}, &records, &error) && records.isEmpty());
        QVERIFY(!QFile::exists(m_path));
        {
            UpdateHistory history(m_path);
            HistoryRecord older = record;
            older.started = record.started.addDays(-1);
            history.add(older);
            history.add(record);
        }
        QVERIFY2(UpdateHistory::read(m_path, record.started, &records, &error), qPrintable(error));
        QCOMPARE(records.size(), 1);
        QCOMPARE(fields(records.first()), fields(record));
        QVERIFY(records.first().id > 0);
    }

    void complete()
    {
        UpdateHistory history(m_path);
        history.add(session(QStringLiteral("Success"), 59));
        history.complete(QStringLiteral("Success"), QStringLiteral("R1.400"), QStringLiteral("Verified"));
        QSignalSpy loaded(&history, &UpdateHistory::loaded);
        history.load();
        QVERIFY(loaded.wait(10000));
        const HistoryRecords records = loaded.first().first().value<HistoryRecords>();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().firmwareAfter, QStringLiteral("R1.400"));
        QCOMPARE(records.first().check, QStringLiteral("Verified"));
    }

    void damaged_data()
    {
        QTest::addColumn<bool>("truncate");
        QTest::newRow("garbage") << false;
        QTest::newRow("truncated") << true;
    }
    // Set aside as it is, and a new database takes the next record.
    void damaged()
    {
        QFETCH(bool, truncate);
        QByteArray bytes = QByteArray("not a database at all\n").repeated(400);
        if (truncate) {
            {
                UpdateHistory history(m_path);
                for (int i = 0; i < 100; ++i)
                    history.add(session(QString::number(i).repeated(40), i));
            }
            bytes = readFile(m_path);
            bytes.truncate(bytes.size() / 2);
        }
        QVERIFY(writeFile(m_path, bytes));
        HistoryRecords records;
        QVERIFY(!UpdateHistory::read(m_path, {}, &records, nullptr));

        UpdateHistory history(m_path);
        QSignalSpy setAside(&history, &UpdateHistory::setAside);
        QSignalSpy failed(&history, &UpdateHistory::writeFailed);
        history.add(session(QStringLiteral("Success"), 1));
        QVERIFY(setAside.wait(10000));
        QCOMPARE(setAside.first().at(0).toString(), m_path);
        const QString aside = setAside.first().at(1).toString();
        QVERIFY2(aside.startsWith(m_path + QStringLiteral(".damaged-")), qPrintable(aside));
        QCOMPARE(readFile(aside), bytes);
        QTRY_VERIFY(UpdateHistory::read(m_path, {}, &records, nullptr) && records.size() == 1);
        QCOMPARE(failed.size(), 0);
    }

    void csvExport()
    {
        HistoryRecord r = session(QStringLiteral("Success"), 3725);
        r.assetTag = QStringLiteral("=HYPERLINK(\"x\")");
        r.model = QStringLiteral("K5-432, K5-552");
        QString error;
        QVERIFY2(UpdateHistory::writeCsvFile(m_path, {r}, &error), qPrintable(error));
        const QList<QByteArray> lines = readFile(m_path).split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith("\xEF\xBB\xBFStarted,Kind,Model Name,"));
        QVERIFY(lines.at(1).endsWith('\r'));
        QVERIFY2(lines.at(1).contains(",\"K5-432, K5-552\",12345678,127.0.0.2,"), lines.at(1).constData());
        QVERIFY(lines.at(1).contains(",\"'=HYPERLINK(\"\"x\"\")\","));
        QVERIFY(lines.at(1).contains(",1:02:05,"));
    }
};

QTEST_GUILESS_MAIN(tst_UpdateHistory)
#include "tst_updatehistory.moc"

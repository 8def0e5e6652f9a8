// Measures the update history at the size a year of nightly updates of a
// large fleet gives (--records, 20000 by default): how long the caller's
// thread spends on each record (the window's share), how long the store's
// thread takes to write them one transaction each, how long reading them
// back takes, and how long the history window's table takes to take them
// in, which is the one part that runs on the window's thread.

#include "history/historytablemodel.h"
#include "history/updatehistory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

HistoryRecord session(int i)
{
    HistoryRecord r;
    r.key = QString::number(i);
    r.started = QDateTime(QDate(2026, 1, 1), QTime(2, 0), Qt::UTC).addSecs(qint64(i) * 1500);
    r.ended = r.started.addSecs(420);
    r.model = QStringLiteral("K5-%1").arg(432 + i % 7);
    r.serialNumber = QStringLiteral("SN%1").arg(i, 6, 10, QLatin1Char('0'));
    r.assetTag = QStringLiteral("Room %1").arg(i % 500);
    r.address = QStringLiteral("10.%1.%2.%3").arg(i / 65536 % 256).arg(i / 256 % 256).arg(i % 256);
    r.macAddress = QStringLiteral("00-1B-2C-00-%1-%2").arg(i / 256 % 256, 2, 16, QLatin1Char('0')).arg(i % 256, 2, 16, QLatin1Char('0'));
    r.firmwareBefore = QStringLiteral("R1.200");
    r.firmwareAfter = QStringLiteral("R1.400");
    r.releaseVersion = QStringLiteral("R1.400");
    r.dialect = QStringLiteral("CGI upload");
    r.outcome = i % 50 == 0 ? QStringLiteral("Error: Timeout.") : QStringLiteral("Success");
    r.check = QStringLiteral("Verified: the display reports R1.400");
    return r;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("records"), QStringLiteral("Records to write."), QStringLiteral("n"), QStringLiteral("20000")});
    parser.process(app);
    const int count = qMax(1, parser.value(QStringLiteral("records")).toInt());
    QTemporaryDir folder;
    QTextStream out(stdout);

    UpdateHistory history(folder.filePath(QStringLiteral("history.sqlite")));
    QElapsedTimer clock;
    clock.start();
    qint64 longestAddNs = 0;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer add;
        add.start();
        history.add(session(i));
        longestAddNs = qMax(longestAddNs, add.nsecsElapsed());
    }
    const double queuedMs = clock.nsecsElapsed() / 1e6;
    // The load waits behind every queued write on the store's thread.
    HistoryRecords records;
    QEventLoop loop;
    QObject::connect(&history, &UpdateHistory::loaded, &loop, [&](const HistoryRecords &loaded) {
        records = loaded;
        loop.quit();
    });
    history.load();
    loop.exec();
    const double writtenAndReadMs = clock.nsecsElapsed() / 1e6;

    clock.restart();
    history.load();
    loop.exec();
    const double readMs = clock.nsecsElapsed() / 1e6;

    HistoryTableModel table;
    HistoryFilterModel filter;
    filter.setSourceModel(&table);
    filter.sort(HistoryColumns::Started, Qt::DescendingOrder);
    clock.restart();
    table.setRecords(records);
    const double tableMs = clock.nsecsElapsed() / 1e6;
    clock.restart();
    filter.setFilterWords(QStringLiteral("timeout K5-432"));
    const double filterMs = clock.nsecsElapsed() / 1e6;

    out << "records: " << records.size() << " of " << count << "\n"
        << "caller: " << queuedMs << " ms for all, longest record " << longestAddNs / 1e3 << " us\n"
        << "store: written and read back after " << writtenAndReadMs << " ms ("
        << writtenAndReadMs * 1000 / count << " us a record, one transaction each)\n"
        << "read: " << readMs << " ms\n"
        << "window's thread: table filled in " << tableMs << " ms, filter applied in " << filterMs << " ms ("
        << filter.rowCount() << " rows)\n";
    return records.size() == count ? 0 : 1;
}

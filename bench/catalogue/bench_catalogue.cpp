// Measures the two catalogue operations that run on every start-up and after
// every search: parsing a release database as large as the local copy may be
// (just under 999999 bytes), and matching 1000 display rows against it.
// Both should stay well under 100 ms.

#include "catalogue/displaymatching.h"
#include "catalogue/firmwarereleasedb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSizeLimit = 999999;
constexpr int kRows = 1000;
constexpr int kRuns = 15;
constexpr double kBudgetMs = 100.0;

QString modelName(int release, int variant)
{
    return QStringLiteral("VX-%1%2").arg(release, 4, 10, QLatin1Char('0')).arg(QLatin1Char(char('A' + variant)));
}

QByteArray releaseJson(int i)
{
    QJsonObject changes{{QStringLiteral("revision"), QStringLiteral("R%1").arg(i)},
                        {QStringLiteral("version"), QStringLiteral("3.%1").arg(i % 40)},
                        {QStringLiteral("changeList"), QStringLiteral("Fixed schedule")}};
    QJsonObject release{
        {QStringLiteral("version"), QStringLiteral("3.%1").arg(i % 40)},
        {QStringLiteral("downloadLoc"), QStringLiteral("http://fw.example/p%1.zip").arg(i)},
        {QStringLiteral("seriesName"), QStringLiteral("SERIES_KESTREL5")},
        {QStringLiteral("fileChecksum"), QStringLiteral("0123456789abcdef0123456789abcdef")},
        {QStringLiteral("fileSize"), 12345678},
        {QStringLiteral("updateViaHTTP"), 1},
        {QStringLiteral("manualPowerCycleRequired"), 3},
        {QStringLiteral("manualPowerCycleRequiredIfVersionBefore"), QStringLiteral("3.5")},
        {QStringLiteral("needSNMatchPosition"), i % 3 == 0 ? 3 : 0},
        {QStringLiteral("needSNMatchDigitsList"), QStringLiteral("AB")},
        {QStringLiteral("models"), QJsonArray{modelName(i, 0), modelName(i, 1)}},
        {QStringLiteral("changes"), changes},
    };
    if (i % 4 == 0) {
        release.insert(QStringLiteral("previousVersionChangeList"),
                       QJsonArray{QJsonObject{{QStringLiteral("version"), QStringLiteral("2.%1").arg(i % 30)},
                                              {QStringLiteral("changeList"), QStringLiteral("Stability fixes")}}});
    }
    return QJsonDocument(release).toJson(QJsonDocument::Compact);
}

// A database document of as many releases as fit below the local copy's
// size limit.
QByteArray generateDatabase(int &releases)
{
    const QByteArray head = R"({"info":{"databaseVersion":900,"latestAppBuildWindows":240112},"firmware":[)";
    const QByteArray tail = "]}";
    QByteArray json = head;
    releases = 0;
    for (;;) {
        const QByteArray next = releaseJson(releases);
        if (json.size() + 1 + next.size() + tail.size() >= kSizeLimit)
            break;
        if (releases > 0)
            json += ',';
        json += next;
        ++releases;
    }
    return json + tail;
}

DisplayList generateRows(int releases)
{
    DisplayList rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        DISPLAY_LIST_ENTRY row;
        const int release = (i * 7919) % (releases + releases / 10); // about 1 in 11 unknown
        row.modelName = modelName(release, i % 2);
        row.serialNumber = QStringLiteral("40%1X").arg(QLatin1Char(char('A' + i % 4)));
        row.currentFirmware = QStringLiteral("3.%1").arg(i % 50);
        rows.append(row);
    }
    return rows;
}

struct Figures
{
    double minMs;
    double medianMs;
};

template <typename Operation>
Figures measure(Operation operation)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        operation();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

void report(QTextStream &out, const char *what, const Figures &figures)
{
    out << what << ": min " << QString::number(figures.minMs, 'f', 2) << " ms, median "
        << QString::number(figures.medianMs, 'f', 2) << " ms"
        << (figures.medianMs < kBudgetMs ? " (within 100 ms)" : " (OVER 100 ms)") << '\n';
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    int releases = 0;
    const QByteArray json = generateDatabase(releases);
    out << "Database: " << json.size() << " bytes, " << releases << " releases\n";

    FirmwareReleaseDb db;
    const Figures parse = measure([&] {
        if (db.parse(json, FirmwareReleaseDb::TextLanguage::Other) != 0 || db.count() != releases)
            std::fprintf(stderr, "parse failed\n");
    });

    const DisplayList original = generateRows(releases);
    DisplayList rows;
    const Figures match = measure([&] {
        rows = original;
        matchAllRows(rows, db, false, true);
    });
    const auto matched = std::count_if(rows.cbegin(), rows.cend(), [](const DISPLAY_LIST_ENTRY &row) {
        return row.matchStatus != MatchStatus::NoRelease;
    });
    out << "Rows: " << kRows << ", matched " << matched << '\n';

    report(out, "Parse", parse);
    report(out, "Match 1000 rows", match);
    return (parse.medianMs < kBudgetMs && match.medianMs < kBudgetMs) ? 0 : 1;
}

#include "cli/historycommand.h"

#include "cli/clioutput.h"
#include "cli/recordset.h"
#include "history/updatehistory.h"

namespace Cli {

namespace {

// The history's columns; times, kind and duration also in a form for programs.
QList<RecordField> historyFields()
{
    // In the order of HistoryColumns::Column.
    static const char *const keys[] = {"startedText", "kindText", "model", "serialNumber", "address",
                                       "firmwareBefore", "firmwareAfter", "outcome", "check", "durationText",
                                       "endedText", "release", "method", "assetTag", "macAddress", "files",
                                       "digests", "drive"};
    static_assert(sizeof keys / sizeof *keys == HistoryColumns::Count, "one key per column");
    const QStringList titles = HistoryColumns::headerTexts();
    QList<RecordField> fields;
    for (int column = 0; column < HistoryColumns::Count; ++column) {
        const bool textOnly = column == HistoryColumns::Started || column == HistoryColumns::Ended
            || column == HistoryColumns::Kind || column == HistoryColumns::Duration;
        fields.append({QLatin1String(keys[column]), titles.at(column), textOnly ? RecordField::TextOnly : RecordField::Both});
    }
    for (const char *key : {"started", "ended", "kind", "durationSeconds"})
        fields.append({QLatin1String(key), QString(), RecordField::JsonOnly});
    return fields;
}

QVariant utcText(const QDateTime &time)
{
    return time.isValid() ? QVariant(time.toUTC().toString(Qt::ISODate)) : QVariant();
}

}

RecordSet historyRecordSet(const HistoryRecords &records)
{
    RecordSet set(historyFields());
    for (const HistoryRecord &record : records) {
        QVariantList values;
        const QStringList texts = HistoryColumns::rowTexts(record);
        for (const QString &text : texts)
            values << text;
        values[HistoryColumns::Files] = record.files;
        values[HistoryColumns::Digests] = record.digests;
        const qint64 secs = record.durationSecs();
        values << utcText(record.started) << utcText(record.ended) << HistoryRecord::kindKey(record.kind)
               << (secs < 0 ? QVariant() : QVariant(secs));
        set.append(values);
    }
    return set;
}

int printHistory(const Options &options, const QString &path, CliOutput &output)
{
    HistoryRecords records;
    QString error;
    if (!UpdateHistory::read(path, options.since, &records, &error)) {
        output.error(error, ExitBadInput);
        return ExitBadInput;
    }
    output.records(historyRecordSet(records), QStringLiteral("records"), ExitSuccess);
    return ExitSuccess;
}

}

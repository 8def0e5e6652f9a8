#pragma once

#include "cli/cliarguments.h"
#include "history/historyrecord.h"

#include <QString>

class CliOutput;
class RecordSet;

// `vdfu history`: the update history as the history window shows it, read
// without starting the engine and without creating a database that is not
// there. JSON carries times as UTC ISO 8601 and lists as arrays.
namespace Cli {

RecordSet historyRecordSet(const HistoryRecords &records);

// Prints the records of the database at `path` started at or after
// `options.since`; the exit status.
int printHistory(const Options &options, const QString &path, CliOutput &output);

}

#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

// The command line of `vdfu`: one command (search, update, download, history) and its
// options, read into plain values. Anything it cannot take (an unknown
// command or option, a missing or malformed value, an option the command
// does not know) is refused with a message, before anything is done.
namespace Cli {

// The program's exit status.
enum ExitStatus {
    ExitSuccess = 0,     // every selected display updated, or nothing failed
    ExitSomeFailed = 1,
    ExitBadInput = 2,    // usage, bad input, or another writer is at work
    ExitNothingToDo = 3,
    ExitInterrupted = 4,
};

enum class Command { Help, Version, Search, Update, Download, History };
enum class Format { Table, Json, Csv };

struct Options
{
    Command command = Command::Help;
    Format format = Format::Table;
    bool verbose = false; // log lines on a terminal too

    // How displays are found (search and update): by broadcast, by the
    // given address list, or (neither) as the window's first search does.
    bool broadcast = false;
    bool hasTargets = false;
    QList<QHostAddress> targets;
    QString interfaceName; // a broadcast on this interface; empty: as the settings choose

    // Which displays (update) or releases (download).
    bool all = false;
    QStringList models;
    QStringList serials;
    QList<QHostAddress> addresses;

    int limit = 0; // simultaneous updates; 0: the setting
    bool yes = false;
    bool dryRun = false;

    QDateTime since; // history: records started at or after; invalid: all
};

struct ParseResult
{
    Options options;
    QString error; // empty when the command line was understood
};

// A --since value: YYYY-MM-DD (local midnight) or an ISO 8601 date and time
// (local time unless it names an offset); invalid when it is neither.
QDateTime parseSince(const QString &text);

// `arguments` without the program name.
ParseResult parseArguments(const QStringList &arguments);

// The name of a command as typed.
QString commandName(Command command);

// The usage text that --help prints.
QString usageText();

}

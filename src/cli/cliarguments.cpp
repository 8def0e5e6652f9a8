#include "cli/cliarguments.h"

#include "discovery/addresslist.h"

#include <QCoreApplication>

namespace Cli {

namespace {

QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("Cli", text, comment);
}

enum class Takes { Nothing, Value };

struct OptionInfo
{
    const char *name;
    Takes takes;
    // The commands that know the option.
    bool search, update, download, history;
};

const OptionInfo kOptions[] = {
    {"--format", Takes::Value, true, true, true, true},
    {"--verbose", Takes::Nothing, true, true, true, true},
    {"--broadcast", Takes::Nothing, true, true, false, false},
    {"--targets", Takes::Value, true, true, false, false},
    {"--interface", Takes::Value, true, true, false, false},
    {"--all", Takes::Nothing, false, true, true, false},
    {"--model", Takes::Value, false, true, true, false},
    {"--serial", Takes::Value, false, true, false, false},
    {"--address", Takes::Value, false, true, false, false},
    {"--limit", Takes::Value, false, true, false, false},
    {"--yes", Takes::Nothing, false, true, false, false},
    {"--dry-run", Takes::Nothing, false, true, false, false},
    {"--since", Takes::Value, false, false, false, true},
};

const OptionInfo *findOption(const QString &name)
{
    for (const OptionInfo &option : kOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

bool knownBy(const OptionInfo &option, Command command)
{
    return (command == Command::Search && option.search) || (command == Command::Update && option.update)
        || (command == Command::Download && option.download) || (command == Command::History && option.history);
}

// An address list as the list dialog takes it, its entries separated by
// commas or line breaks; appended to `addresses`.
QString addressListError(const QString &name, const QString &text, QList<QHostAddress> *addresses)
{
    QString lines = text;
    lines.replace(QLatin1Char(','), QLatin1Char('\n'));
    QList<QHostAddress> parsed;
    int line = 0;
    const int result = parseAddressList(lines, parsed, line);
    if (result != AddressList::Ok)
        return tr("Bad address list for %1: %2", "1=option 2=reason").arg(name, AddressList::errorText(result, line));
    if (parsed.isEmpty())
        return tr("The address list for %1 holds no address.", "1=option").arg(name);
    addresses->append(parsed);
    return QString();
}

QString applyValue(Options &o, const QString &name, const QString &value)
{
    if (name == QLatin1String("--format")) {
        if (value == QLatin1String("table"))
            o.format = Format::Table;
        else if (value == QLatin1String("json"))
            o.format = Format::Json;
        else if (value == QLatin1String("csv"))
            o.format = Format::Csv;
        else
            return tr("Unknown format \"%1\" (table, json or csv).").arg(value);
    } else if (name == QLatin1String("--targets")) {
        o.hasTargets = true;
        o.targets.clear();
        return addressListError(name, value, &o.targets);
    } else if (name == QLatin1String("--address")) {
        return addressListError(name, value, &o.addresses);
    } else if (name == QLatin1String("--interface")) {
        o.interfaceName = value;
    } else if (name == QLatin1String("--model")) {
        o.models.append(value);
    } else if (name == QLatin1String("--serial")) {
        o.serials.append(value);
    } else if (name == QLatin1String("--since")) {
        o.since = parseSince(value);
        if (!o.since.isValid())
            return tr("Bad date \"%1\" for --since (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS).").arg(value);
    } else if (name == QLatin1String("--limit")) {
        bool ok = false;
        o.limit = value.toInt(&ok);
        if (!ok || o.limit < 1 || o.limit > 1000)
            return tr("The limit must be a whole number from 1 to 1000.");
    }
    return QString();
}

void applyFlag(Options &o, const QString &name)
{
    if (name == QLatin1String("--verbose"))
        o.verbose = true;
    else if (name == QLatin1String("--broadcast"))
        o.broadcast = true;
    else if (name == QLatin1String("--all"))
        o.all = true;
    else if (name == QLatin1String("--yes"))
        o.yes = true;
    else if (name == QLatin1String("--dry-run"))
        o.dryRun = true;
}

// What the options say together, once all are read.
QString consistencyError(const Options &o)
{
    const bool filtered = !o.models.isEmpty() || !o.serials.isEmpty() || !o.addresses.isEmpty();
    if (o.broadcast && o.hasTargets)
        return tr("--broadcast and --targets exclude each other.");
    if (o.hasTargets && !o.interfaceName.isEmpty())
        return tr("--interface names where a broadcast goes; --targets searches without one.");
    if (o.command == Command::Update && o.all == filtered)
        return tr("Name the displays to update: --all, or any of --model, --serial and --address.");
    if (o.command == Command::Download && o.all == filtered)
        return tr("Name the firmware to download: --all, or one or more --model.");
    return QString();
}

}

ParseResult parseArguments(const QStringList &arguments)
{
    ParseResult result;
    Options &o = result.options;
    if (arguments.isEmpty()) {
        result.error = tr("Name a command: search, update, download or history.");
        return result;
    }
    if (arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")
        || arguments.first() == QLatin1String("help"))
        return result;
    const QString command = arguments.first();
    if (command == QLatin1String("--version")) {
        o.command = Command::Version;
        return result;
    }
    if (command == QLatin1String("search"))
        o.command = Command::Search;
    else if (command == QLatin1String("update"))
        o.command = Command::Update;
    else if (command == QLatin1String("download"))
        o.command = Command::Download;
    else if (command == QLatin1String("history"))
        o.command = Command::History;
    else {
        result.error = tr("Unknown command \"%1\" (search, update, download or history).").arg(command);
        return result;
    }

    for (int i = 1; i < arguments.size() && result.error.isEmpty(); ++i) {
        QString name = arguments.at(i);
        QString value;
        bool inlineValue = false;
        const int equals = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
            inlineValue = true;
        }
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            o.command = Command::Help;
            return result;
        }
        if (name == QLatin1String("-v"))
            name = QStringLiteral("--verbose");
        const OptionInfo *option = findOption(name);
        if (!option || !knownBy(*option, o.command)) {
            result.error = tr("Unknown option \"%1\" for %2.", "1=option 2=command").arg(name, command);
        } else if (option->takes == Takes::Nothing) {
            if (inlineValue)
                result.error = tr("The option %1 takes no value.").arg(name);
            else
                applyFlag(o, name);
        } else {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    result.error = tr("The option %1 needs a value.").arg(name);
                    break;
                }
                value = arguments.at(++i);
            }
            result.error = applyValue(o, name, value);
        }
    }
    if (result.error.isEmpty())
        result.error = consistencyError(o);
    // A script that asked for JSON gets its error as JSON, wherever it asked.
    for (int i = 1; i < arguments.size() && !result.error.isEmpty(); ++i) {
        if (arguments.at(i) == QLatin1String("--format=json")
            || (arguments.at(i) == QLatin1String("--format") && arguments.value(i + 1) == QLatin1String("json")))
            o.format = Format::Json;
    }
    // An interface is only ever used by a broadcast.
    o.broadcast = o.broadcast || !o.interfaceName.isEmpty();
    return result;
}

QDateTime parseSince(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && text.size() == 10)
        return date.startOfDay();
    return text.contains(QLatin1Char('T')) ? QDateTime::fromString(text, Qt::ISODate) : QDateTime();
}

QString commandName(Command command)
{
    switch (command) {
    case Command::Search:
        return QStringLiteral("search");
    case Command::Update:
        return QStringLiteral("update");
    case Command::Download:
        return QStringLiteral("download");
    case Command::History:
        return QStringLiteral("history");
    default:
        return QString();
    }
}

QString usageText()
{
    return tr("Usage:\n"
              "  vdfu search [--broadcast | --targets \"ADDRESS LIST\"] [--interface NAME] [--format table|json|csv]\n"
              "  vdfu update (--all | --model M | --serial S | --address A ...) [--limit N] [--yes] [--dry-run]\n"
              "              [--broadcast | --targets \"ADDRESS LIST\"] [--interface NAME] [--format table|json|csv]\n"
              "  vdfu download (--all | --model M ...) [--format table|json|csv]\n"
              "  vdfu history [--since DATE] [--format table|json|csv]\n"
              "  vdfu --help | --version\n"
              "Every command takes --verbose (-v): the log on a terminal too. --interface implies --broadcast.\n"
              "\n"
              "An address list holds addresses (a.b.c.d), wildcards (a.b.c.*) and ranges (a.b.c.d - e.f.g.h),\n"
              "separated by commas; --address takes one as well. Without --broadcast or --targets, the address\n"
              "list of the settings is searched when there is one, else every LAN interface by broadcast.\n"
              "history prints the update history, oldest first; --since takes YYYY-MM-DD (local midnight)\n"
              "or an ISO 8601 date and time.\n"
              "\n"
              "Exit status: 0 success, 1 some displays failed, 2 usage or bad input, 3 nothing to do, 4 interrupted.\n");
}

}

#include "cli/clirun.h"

#include "app/appinfo.h"
#include "cli/clicommand.h"
#include "cli/clilog.h"
#include "cli/historycommand.h"
#include "cli/clioutput.h"
#include "cli/signalwatcher.h"
#include "cli/terminal.h"
#include "history/updatehistory.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Cli {

namespace {

QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("Cli", text, comment);
}

}

int run(const QStringList &arguments)
{
    Terminal terminal;
    const ParseResult parsed = parseArguments(arguments);
    CliOutput output(parsed.options.format, parsed.options.command, &terminal);
    if (!parsed.error.isEmpty()) {
        output.error(parsed.error + QLatin1Char(' ') + tr("(vdfu --help shows the usage.)"), ExitBadInput);
        return ExitBadInput;
    }
    if (parsed.options.command == Command::Help) {
        terminal.write(usageText());
        return ExitSuccess;
    }
    if (parsed.options.command == Command::Version) {
        terminal.write(QStringLiteral("vdfu: ") + AppInfo::versionText() + QLatin1Char('\n'));
        return ExitSuccess;
    }

    if (parsed.options.command == Command::History)
        return printHistory(parsed.options, UpdateHistory::defaultPath(), output);

    CliCommand::Context context;
    QString error;
    if (!CliCommand::loadSettings(&context.settings, &error)) {
        output.error(error, ExitBadInput);
        return ExitBadInput;
    }
    context.options = parsed.options;
    context.environment = FleetEngine::Environment::system();
    context.output = &output;
    context.terminal = &terminal;
    CliLog::install(&terminal, parsed.options.verbose || !terminal.errorIsTerminal());

    SignalWatcher signalWatcher;
    const std::unique_ptr<CliCommand> command(CliCommand::create(context));
    QObject::connect(&signalWatcher, &SignalWatcher::signalled, command.get(), &CliCommand::interrupt);
    QObject::connect(command.get(), &CliCommand::finished, command.get(), [](int exitStatus, bool atOnce) {
        if (atOnce) {
            // Running sessions are abandoned as they are; the journal names them.
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(exitStatus);
        }
        QCoreApplication::exit(exitStatus);
    });
    // From within the loop, so that a run ending at once still reaches exit().
    QTimer::singleShot(0, command.get(), &CliCommand::start);
    const int exitStatus = QCoreApplication::exec();
    CliLog::uninstall();
    return exitStatus;
}

}

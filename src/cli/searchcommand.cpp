#include "cli/searchcommand.h"

#include "cli/clioutput.h"
#include "cli/displayrecords.h"

void SearchCommand::interrupt(int)
{
    fail(CliCommand::tr("Interrupted."), Cli::ExitInterrupted);
}

void SearchCommand::displaysFound()
{
    m_context.output->records(DisplayRecords::displays(m_engine->displays(), m_engine->legacyEnabled()),
                              QStringLiteral("displays"), Cli::ExitSuccess);
    finish(Cli::ExitSuccess);
}

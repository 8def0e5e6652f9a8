#include "cli/clioutput.h"

#include "cli/recordset.h"
#include "cli/terminal.h"

#include <QCoreApplication>
#include <QJsonDocument>

CliOutput::CliOutput(Cli::Format format, Cli::Command command, Terminal *terminal)
    : m_format(format)
    , m_command(command)
    , m_terminal(terminal)
{
}

void CliOutput::say(const QString &text)
{
    if (m_format == Cli::Format::Table)
        m_terminal->write(text);
    else
        m_terminal->line(text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text);
}

void CliOutput::document(QJsonObject object, int exitStatus)
{
    object.insert(QStringLiteral("version"), kVersion);
    const QString command = Cli::commandName(m_command);
    if (!command.isEmpty())
        object.insert(QStringLiteral("command"), command);
    object.insert(QStringLiteral("exitStatus"), exitStatus);
    m_terminal->write(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
}

void CliOutput::records(const RecordSet &set, const QString &key, int exitStatus, const QJsonObject &more)
{
    if (m_written)
        return;
    m_written = true;
    switch (m_format) {
    case Cli::Format::Json: {
        QJsonObject object = more;
        object.insert(key, set.toJson());
        document(object, exitStatus);
        break;
    }
    case Cli::Format::Csv:
        m_terminal->write(set.toCsv());
        break;
    case Cli::Format::Table:
        m_terminal->write(set.toTable());
        break;
    }
}

void CliOutput::error(const QString &message, int exitStatus)
{
    if (m_written)
        return;
    m_written = true;
    m_terminal->line(QCoreApplication::translate("Cli", "vdfu: %1", "1=error message").arg(message));
    if (json())
        document({{QStringLiteral("error"), QJsonObject{{QStringLiteral("message"), message},
                                                         {QStringLiteral("exitStatus"), exitStatus}}}},
                 exitStatus);
}

#pragma once

#include "cli/cliarguments.h"

#include <QJsonObject>
#include <QString>

class RecordSet;
class Terminal;

// What one run of `vdfu` prints for its caller, in the chosen format. In
// JSON, standard output receives exactly one document, also for an error:
// {"version": 1, "command": ..., <records or error>, "exitStatus": n}.
// Texts for people (the plan, the cautions) go to standard output in the
// table format and to standard error otherwise, out of the records' way.
class CliOutput
{
public:
    static constexpr int kVersion = 1;

    CliOutput(Cli::Format format, Cli::Command command, Terminal *terminal);

    Cli::Format format() const { return m_format; }
    bool json() const { return m_format == Cli::Format::Json; }
    Terminal *terminal() const { return m_terminal; }

    // Text for people.
    void say(const QString &text);
    // The run's records under `key`, with more members of the document (JSON).
    void records(const RecordSet &set, const QString &key, int exitStatus, const QJsonObject &more = {});
    void error(const QString &message, int exitStatus);
    bool written() const { return m_written; }

private:
    void document(QJsonObject object, int exitStatus);

    Cli::Format m_format;
    Cli::Command m_command;
    Terminal *m_terminal;
    bool m_written = false;
};

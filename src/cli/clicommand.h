#pragma once

#include "app/fleetengine.h"
#include "app/mainsettings.h"
#include "cli/cliarguments.h"

#include <QObject>
#include <QString>

class CliOutput;
class Terminal;

// One run of a `vdfu` command over the fleet engine. The common road:
// the engine with the window's settings, the release database (its local
// copy when the server cannot be reached), and, for the commands that need
// displays, the same search the window makes; then the command's own work.
// Each run ends once with finished(), carrying the exit status.
class CliCommand : public QObject
{
    Q_OBJECT

public:
    struct Context
    {
        Cli::Options options;
        MainSettings settings;
        FleetEngine::Environment environment;
        CliOutput *output = nullptr;
        Terminal *terminal = nullptr;
    };

    // The window's settings as it reads them; false, with the reason, when
    // the store cannot be read.
    static bool loadSettings(MainSettings *settings, QString *error);
    // The command named by the options; nullptr for help and version.
    static CliCommand *create(const Context &context, QObject *parent = nullptr);

    ~CliCommand() override;

    void start();
    // The first, second, ... SIGINT or SIGTERM.
    virtual void interrupt(int count) = 0;

signals:
    // `atOnce`: the program must end now, without waiting for anything
    // (and without anything tidying up after running updates).
    void finished(int exitStatus, bool atOnce);

protected:
    CliCommand(const Context &context, QObject *parent);

    // Before the database is fetched; false when the run has ended.
    virtual bool prepare() { return true; }
    virtual void databaseLoaded() = 0;
    // The search and its control exchanges have ended; rows are matched.
    virtual void displaysFound() {}

    // The engine's status texts: the live line on a terminal, elsewhere a
    // line whenever the text changes by more than its numbers.
    void showStatus(const QString &text);
    // The firmware folder exists and takes files; otherwise the run ends.
    bool firmwareFolderWritable();
    void searchDisplays();
    // Ends the run with an error message (a document in JSON).
    void fail(const QString &message, int exitStatus);
    void finish(int exitStatus, bool atOnce = false);
    bool ended() const { return m_ended; }

    Context m_context;
    const Cli::Options &m_options;
    FleetEngine *m_engine = nullptr;

private:
    // Where a broadcast goes: --interface, else the interface the settings chose.
    bool broadcastInterface(int *index, QString *error) const;

    QString m_statusShape;
    bool m_searching = false;
    bool m_ended = false;
};

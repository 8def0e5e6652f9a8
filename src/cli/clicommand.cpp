#include "cli/clicommand.h"

#include "cli/clioutput.h"
#include "cli/downloadcommand.h"
#include "cli/searchcommand.h"
#include "cli/terminal.h"
#include "cli/updatecommand.h"
#include "discovery/addresslist.h"
#include "history/updatehistory.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryFile>

bool CliCommand::loadSettings(MainSettings *settings, QString *error)
{
    const std::unique_ptr<QSettings> store = SettingsStores::openMainStore();
    *settings = MainSettings::load(*store);
    if (store->status() == QSettings::NoError)
        return true;
    *error = tr("The settings in %1 cannot be read.").arg(store->fileName());
    return false;
}

CliCommand *CliCommand::create(const Context &context, QObject *parent)
{
    switch (context.options.command) {
    case Cli::Command::Search:
        return new SearchCommand(context, parent);
    case Cli::Command::Update:
        return new UpdateCommand(context, parent);
    case Cli::Command::Download:
        return new DownloadCommand(context, parent);
    default:
        return nullptr;
    }
}

CliCommand::CliCommand(const Context &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_options(m_context.options)
{
}

CliCommand::~CliCommand() = default;

void CliCommand::start()
{
    m_engine = new FleetEngine(m_context.environment, this);
    const MainSettings &settings = m_context.settings;
    m_engine->setMultiUpdateLimit(m_options.limit > 0 ? m_options.limit : settings.multiUpdateLimit);
    m_engine->setLegacyEnabled(settings.legacyEnabled);
    m_engine->setShowAssetTag(settings.showAssetTagColumn);
    m_engine->setTargetAddresses(m_options.hasTargets ? m_options.targets
                                                      : AddressList::addressesFromText(settings.ipScanText));
    connect(m_engine, &FleetEngine::statusMessage, this, [this](const QString &text) { showStatus(text); });
    if (UpdateHistory *history = m_engine->history()) {
        connect(history, &UpdateHistory::setAside, this,
                [this](const QString &path, const QString &asidePath, const QString &reason) {
                    m_context.terminal->line(tr("vdfu: the update history %1 could not be used (%2); it was renamed "
                                                "to %3 and a new one was started.",
                                                "1=file 2=reason 3=file")
                                                 .arg(path, reason, asidePath));
                });
        connect(history, &UpdateHistory::writeFailed, this,
                [this](const QString &reason) { m_context.terminal->line(tr("vdfu: %1").arg(reason)); });
    }
    connect(m_engine, &FleetEngine::databaseReady, this, [this](bool loaded) {
        if (m_ended)
            return;
        if (!loaded) {
            fail(tr("The release database could not be loaded from the firmware server (%1), and the firmware "
                    "folder holds no usable copy.")
                     .arg(m_context.environment.databaseUrl.toDisplayString()),
                 Cli::ExitBadInput);
            return;
        }
        databaseLoaded();
    });
    connect(m_engine, &FleetEngine::searchFinished, this, [this] {
        if (!m_searching || m_ended)
            return;
        m_searching = false;
        m_context.terminal->clearLive();
        displaysFound();
    });
    if (prepare())
        m_engine->retrieveReleaseDatabase();
}

void CliCommand::showStatus(const QString &text)
{
    Terminal *terminal = m_context.terminal;
    if (terminal->errorIsTerminal()) {
        terminal->live(text);
        return;
    }
    // A countdown or a counter is no news to a log.
    static const QRegularExpression numbers(QStringLiteral("[0-9]+"));
    QString shape = text;
    shape.replace(numbers, QStringLiteral("#"));
    if (shape == m_statusShape || text.isEmpty())
        return;
    m_statusShape = shape;
    terminal->line(text);
}

bool CliCommand::firmwareFolderWritable()
{
    const QString folder = m_engine->firmwareFolder();
    QTemporaryFile probe(folder + QStringLiteral("/vdfu-XXXXXX.tmp"));
    if (!folder.isEmpty() && probe.open())
        return true;
    fail(folder.isEmpty() ? tr("The firmware folder cannot be created under %1.")
                                .arg(m_context.environment.documentsFolder)
                          : tr("The firmware folder %1 cannot be written.").arg(folder),
         Cli::ExitBadInput);
    return false;
}

void CliCommand::searchDisplays()
{
    const bool targeted = !m_options.broadcast && !m_engine->targetAddresses().isEmpty();
    int interfaceIndex = 0;
    QString error;
    if (!targeted && !broadcastInterface(&interfaceIndex, &error)) {
        fail(error, Cli::ExitBadInput);
        return;
    }
    m_searching = true;
    if (!(targeted ? m_engine->searchTargeted() : m_engine->searchBroadcast(interfaceIndex))) {
        m_searching = false;
        fail(tr("The search could not start."), Cli::ExitBadInput);
    }
}

bool CliCommand::broadcastInterface(int *index, QString *error) const
{
    const LanInterfaceList &interfaces = m_engine->interfaces();
    if (!m_options.interfaceName.isEmpty()) {
        QStringList names;
        for (int i = 0; i < interfaces.size(); ++i) {
            if (interfaces.at(i).name == m_options.interfaceName) {
                *index = i;
                return true;
            }
            names << interfaces.at(i).name;
        }
        names.removeDuplicates();
        *error = tr("There is no usable LAN interface named %1 (usable: %2).", "1=name 2=list of names")
                     .arg(m_options.interfaceName, names.join(QStringLiteral(", ")));
        return false;
    }
    if (interfaces.isEmpty()) {
        *error = tr("There is no usable LAN interface for a broadcast search.");
        return false;
    }
    // As the window's interface selector: "All" first, then each interface.
    QList<int> values{FleetEngine::kAllInterfaces};
    for (int i = 0; i < interfaces.size(); ++i)
        values.append(i);
    *index = values.at(interfaceSelectorPosition(values, m_context.settings.lanDeviceIndex, interfaces.size()));
    return true;
}

void CliCommand::fail(const QString &message, int exitStatus)
{
    m_context.terminal->clearLive();
    m_context.output->error(message, exitStatus);
    finish(exitStatus);
}

void CliCommand::finish(int exitStatus, bool atOnce)
{
    if (m_ended)
        return;
    m_ended = true;
    m_context.terminal->clearLive();
    emit finished(exitStatus, atOnce);
}

#include "cli/downloadcommand.h"

#include "cli/clioutput.h"
#include "cli/recordset.h"
#include "download/offlinedownloadbatch.h"
#include "download/packagefilename.h"

void DownloadCommand::databaseLoaded()
{
    m_batch = new OfflineDownloadBatch(m_engine->firmwareFolder(), m_engine->releaseDb(), this);
    m_batch->setHistory(m_engine->history());
    if (!chooseReleases())
        return;
    connect(m_batch, &OfflineDownloadBatch::presentChecked, this, &DownloadCommand::present);
    connect(m_batch, &OfflineDownloadBatch::progressChanged, this,
            [this](qint64, qint64, int finished, int started, const QString &speedText) {
                showStatus(tr("Downloaded %1 of %2 files (%3)", "1=files finished 2=files started 3=speed")
                               .arg(finished)
                               .arg(started)
                               .arg(speedText));
            });
    connect(m_batch, &OfflineDownloadBatch::finished, this, [this] { m_batch->checkPresent(); });
    m_batch->checkPresent();
}

bool DownloadCommand::chooseReleases()
{
    QStringList unoffered = m_options.models;
    for (const OfferedRelease &offered : m_batch->offeredReleases()) {
        bool named = m_options.all;
        for (const QString &model : m_options.models) {
            if (offered.release.models.contains(model, Qt::CaseInsensitive)) {
                named = true;
                unoffered.removeAll(model);
            }
        }
        if (named)
            m_chosen.append(offered.recordIndex);
    }
    if (unoffered.isEmpty())
        return true;
    const QString model = unoffered.first();
    fail(m_engine->releaseDb().indicesForModel(model).isEmpty()
             ? CliCommand::tr("No release in the firmware catalogue names the model %1.").arg(model)
             : tr("The firmware catalogue has no release for the model %1 that this build can apply over "
                  "the LAN.")
                   .arg(model),
         Cli::ExitBadInput);
    return false;
}

void DownloadCommand::present(const QList<int> &recordIndices)
{
    if (ended())
        return;
    if (m_downloaded) {
        report(recordIndices);
        return;
    }
    m_presentBefore = recordIndices;
    m_downloaded = true;
    if (m_batch->start(m_chosen) == 0)
        report(recordIndices);
}

void DownloadCommand::interrupt(int count)
{
    if (count >= 2 || !m_batch || !m_batch->isRunning()) {
        fail(CliCommand::tr("Interrupted."), Cli::ExitInterrupted);
        return;
    }
    m_interrupted = true;
    m_batch->cancel();
}

void DownloadCommand::report(const QList<int> &presentAfter)
{
    RecordSet set({{QStringLiteral("models"), tr("Models", "column title")},
                   {QStringLiteral("version"), tr("Version", "column title")},
                   {QStringLiteral("file"), tr("File", "column title")},
                   {QStringLiteral("status"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("result"), tr("Result", "column title")}});
    bool failed = false;
    for (int index : qAsConst(m_chosen)) {
        FirmwareRelease release;
        m_engine->releaseDb().recordAt(index, release);
        QString status = QStringLiteral("downloaded");
        QString result = tr("downloaded");
        if (m_presentBefore.contains(index)) {
            status = QStringLiteral("present");
            result = tr("already in the firmware folder");
        } else if (!presentAfter.contains(index)) {
            status = QStringLiteral("failed");
            result = m_interrupted ? tr("not downloaded: interrupted") : tr("download failed");
            failed = true;
        }
        set.append({release.models, release.changes.version, FirmwareFiles::packageFileName(release.downloadLoc),
                    status, result});
    }
    const int exitStatus = m_interrupted ? Cli::ExitInterrupted
        : failed                         ? Cli::ExitSomeFailed
        : m_presentBefore.size() == m_chosen.size() ? Cli::ExitNothingToDo
                                                    : Cli::ExitSuccess;
    m_context.output->records(set, QStringLiteral("releases"), exitStatus,
                              {{QStringLiteral("folder"), m_engine->firmwareFolder()}});
    finish(exitStatus);
}

#pragma once

#include "cli/clicommand.h"

#include <QList>

class OfflineDownloadBatch;

// `vdfu download`: fills the firmware folder for later updates on a network
// without Internet access, as the offline download dialog does: every release
// that this build can apply over the LAN (--all), or those of the named
// models, each verified and unpacked; releases already in the folder are not
// fetched again. One record per release with what became of it.
class DownloadCommand : public CliCommand
{
    Q_OBJECT

public:
    DownloadCommand(const Context &context, QObject *parent = nullptr) : CliCommand(context, parent) {}

    // The first interrupt cancels the downloads, the second ends the run at once.
    void interrupt(int count) override;

protected:
    bool prepare() override { return firmwareFolderWritable(); }
    void databaseLoaded() override;

private:
    // Record indices of the offered releases the options name; false (the
    // run has ended) when a model has none.
    bool chooseReleases();
    void present(const QList<int> &recordIndices);
    void report(const QList<int> &presentAfter);

    OfflineDownloadBatch *m_batch = nullptr;
    QList<int> m_chosen;
    QList<int> m_presentBefore;
    bool m_downloaded = false;
    bool m_interrupted = false;
};

#include "app/longrunfeedback.h"

#include "app/desktopnotifier.h"
#include "app/fleetengine.h"
#include "app/launcherentry.h"

#include <QProgressBar>
#include <QWidget>

namespace {

// The bar and the launcher entry follow at this pace; the queue itself
// ticks once a second.
constexpr int kFollowIntervalMs = 500;
constexpr int kBarSteps = 1000;

}

LongRunFeedback::LongRunFeedback(FleetEngine *engine, QWidget *window)
    : QObject(window),
      m_engine(engine),
      m_window(window),
      m_progressBar(new QProgressBar(window)),
      m_notifier(new DesktopNotifier(this)),
      m_launcher(new LauncherEntry(this))
{
    m_progressBar->setRange(0, kBarSteps);
    m_progressBar->setMaximumWidth(220);
    m_progressBar->hide();
    m_timer.setInterval(kFollowIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LongRunFeedback::showProgress);
    connect(m_engine, &FleetEngine::stateChanged, this, &LongRunFeedback::follow);
    connect(m_engine, &FleetEngine::downloadsRunning, this, &LongRunFeedback::follow);
    connect(m_engine, &FleetEngine::updatesFinished, this, &LongRunFeedback::updatesFinished);
    connect(m_engine, &FleetEngine::downloadBatchEnded, this, &LongRunFeedback::downloadBatchEnded);
    connect(m_notifier, &DesktopNotifier::activated, this, [this] {
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    });
}

void LongRunFeedback::follow()
{
    const bool busy = m_engine->runningUpdates() > 0 || m_engine->activeDownloads() > 0;
    if (busy && !m_timer.isActive())
        m_timer.start();
    showProgress();
}

void LongRunFeedback::showProgress()
{
    const int running = m_engine->runningUpdates();
    const UpdateRun &run = m_engine->updateRun();
    const double download = m_engine->downloadFraction();
    if (running > 0) {
        // What the operator saw never goes back, whatever a session reports.
        const double fraction = qMax(m_shownFraction, run.fraction(m_engine->displays()));
        m_shownFraction = fraction;
        m_progressBar->setValue(qRound(fraction * kBarSteps));
        m_progressBar->setFormat(tr("%1 of %2 displays", "1=updates ended 2=updates in this run")
                                     .arg(run.finished())
                                     .arg(run.total));
        m_progressBar->setToolTip(run.summary());
        m_progressBar->show();
        m_launcher->setProgress(fraction);
        m_launcher->setCount(running);
        return;
    }
    m_progressBar->hide();
    m_shownFraction = 0.0;
    if (download >= 0.0) {
        m_launcher->setProgress(download);
        m_launcher->setCount(0);
        return;
    }
    m_launcher->clear();
    m_timer.stop();
}

void LongRunFeedback::updatesFinished()
{
    showProgress();
    const UpdateRun &run = m_engine->updateRun();
    if (run.finished() > 0)
        notifyUnlessActive(tr("LAN update finished"), run.summary());
}

void LongRunFeedback::downloadBatchEnded(int downloaded, int failed, bool cancelled)
{
    showProgress();
    if (cancelled)
        return;
    QString body = tr("%n firmware release(s) downloaded", "", downloaded);
    if (failed > 0)
        body = tr("%1, %n failed", "1=releases downloaded", failed).arg(body);
    notifyUnlessActive(failed > 0 ? tr("Download error") : tr("Download complete"), body);
}

void LongRunFeedback::notifyUnlessActive(const QString &summary, const QString &body)
{
    if (!m_window->isActiveWindow())
        m_notifier->notify(summary, body);
}

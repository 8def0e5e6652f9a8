#pragma once

#include <QObject>
#include <QTimer>

class DesktopNotifier;
class FleetEngine;
class LauncherEntry;
class QProgressBar;
class QWidget;

// Keeps an operator who is not watching the list informed of long work:
// the update queue's overall progress in a bar beside the status line,
// the progress and the number of running updates on the application's
// launcher entry, and a desktop notification when the update queue or a
// download batch ends while the window is not the active one (clicking it
// brings the window back).
class LongRunFeedback : public QObject
{
    Q_OBJECT

public:
    // `window` is raised on a notification's click; the progress bar is
    // made for the caller to place in its status line.
    LongRunFeedback(FleetEngine *engine, QWidget *window);

    QProgressBar *progressBar() const { return m_progressBar; }

private:
    // Follows the engine while downloads or updates run.
    void follow();
    void showProgress();
    void updatesFinished();
    void downloadBatchEnded(int downloaded, int failed, bool cancelled);
    // A notification, unless the operator is looking at the window.
    void notifyUnlessActive(const QString &summary, const QString &body);

    FleetEngine *m_engine;
    QWidget *m_window;
    QProgressBar *m_progressBar;
    DesktopNotifier *m_notifier;
    LauncherEntry *m_launcher;
    QTimer m_timer;
    double m_shownFraction = 0.0; // of the running updates
};

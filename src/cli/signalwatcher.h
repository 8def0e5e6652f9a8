#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as events of the event loop. The handler itself only
// writes a byte into a pipe (all a signal handler may safely do); a socket
// notifier on the pipe's other end reports each signal in turn. While the
// watcher lives, neither signal ends the process by itself.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // The handlers are installed.
    bool watching() const { return m_notifier != nullptr; }

signals:
    // `count`: 1 for the first signal, 2 for the second, ...
    void signalled(int count);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_count = 0;
};

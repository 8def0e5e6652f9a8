#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// The id of the application's desktop entry (without ".desktop"): the one set
// on the application object, else the installed one (AppInfo::kDesktopFileId).
// Notifications and the launcher entry name it so that the desktop shows
// them with the program's icon and name.
QString desktopEntryId();

// Desktop notifications through the session bus's notification service, so
// that an operator who walked away from a long update learns how it ended.
// Each notification replaces the previous one of this program instead of
// stacking up. Clicking it emits activated(). Everything is asynchronous and
// quiet: without a session bus or a notification service nothing happens.
class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject *parent = nullptr);
    // bus: where the notification service is looked for (tests pass a private one).
    explicit DesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    // Shows summary and body (body may be empty), replacing the notification
    // shown before. Returns at once.
    void notify(const QString &summary, const QString &body = QString());

signals:
    // The operator clicked the current notification.
    void activated();

private slots:
    // Slots for the service's signals, connected by name as the bus requires.
    void onActionInvoked(uint id, const QString &actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    void send(const QString &summary, const QString &body);
    void onReply(QDBusPendingCallWatcher *watcher);

    QDBusConnection m_bus;
    uint m_currentId = 0;  // the service's id of what is shown; 0: nothing
    bool m_waiting = false; // a Notify call has no reply yet
    bool m_queued = false;  // a notification waits for that reply, to replace it
    QString m_queuedSummary;
    QString m_queuedBody;
};

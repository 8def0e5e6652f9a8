#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

// Progress and a count on the application's entry in the task manager or
// dock, so that an update's advance shows without the window. Desktops that
// show these listen for a LauncherEntry Update signal on the session bus
// naming the desktop entry; others ignore it. Only changes are sent, and
// without a session bus nothing happens.
class LauncherEntry : public QObject
{
    Q_OBJECT

public:
    explicit LauncherEntry(QObject *parent = nullptr);
    // bus: where the signal goes (tests pass a private one).
    explicit LauncherEntry(const QDBusConnection &bus, QObject *parent = nullptr);
    // Hides what is still shown: the entry must not keep a stale bar.
    ~LauncherEntry() override;

    // fraction from 0 to 1 (clamped), shown as a bar. Steps finer than one
    // per mille are not sent: no dock draws them, and updates of many
    // displays report progress often.
    void setProgress(double fraction);
    // count > 0 shows the number as a badge; 0 or less hides it.
    void setCount(int count);
    // Hides the bar and the badge.
    void clear();

    // The state as a desktop asks for it, and as the signal carries it.
    QVariantMap properties() const;
    // "application://<desktop entry id>.desktop".
    static QString appUri();

private:
    void update(const QVariantMap &changed);

    QDBusConnection m_bus;
    QString m_path;
    bool m_registered = false;
    double m_progress = 0;
    bool m_progressVisible = false;
    qint64 m_count = 0;
    bool m_countVisible = false;
};

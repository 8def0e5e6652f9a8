#include "app/desktopnotifier.h"

#include "app/appinfo.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
}

QString desktopEntryId()
{
    QString id = QGuiApplication::desktopFileName();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id.isEmpty() ? QString::fromLatin1(AppInfo::kDesktopFileId) : id;
}

DesktopNotifier::DesktopNotifier(QObject *parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // No sender name: naming the service would make Qt ask the bus for its
    // owner synchronously. Only the ids this program was given count anyway.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint,QString)));
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint,uint)));
}

void DesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    if (m_waiting) {
        // Replacing needs the id of the one still on its way: send when it is known.
        m_queued = true;
        m_queuedSummary = summary;
        m_queuedBody = body;
        return;
    }
    send(summary, body);
}

void DesktopNotifier::send(const QString &summary, const QString &body)
{
    const QString entry = desktopEntryId();
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), entry);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QGuiApplication::applicationDisplayName() << m_currentId << entry << summary << body
         << QStringList{kDefaultAction, tr("Show")} << hints << -1;
    m_waiting = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::onReply);
}

void DesktopNotifier::onReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_waiting = false;
    // An error (no service, a service that refuses) is no concern of the
    // operator's: the notification is a courtesy, the log has the facts.
    const QDBusPendingReply<uint> reply = *watcher;
    if (!reply.isError())
        m_currentId = reply.value();
    if (m_queued) {
        m_queued = false;
        send(m_queuedSummary, m_queuedBody);
    }
}

void DesktopNotifier::onActionInvoked(uint id, const QString &actionKey)
{
    if (id != 0 && id == m_currentId && actionKey == kDefaultAction)
        emit activated();
}

void DesktopNotifier::onNotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    if (id == m_currentId)
        m_currentId = 0;
}

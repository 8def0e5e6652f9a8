#include "app/launcherentry.h"

#include "app/desktopnotifier.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

namespace {
const QString kInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");

// Object path from the desktop entry's reverse-domain id, so that two
// programs never share one.
QString objectPath()
{
    QString path = QStringLiteral("/") + desktopEntryId() + QStringLiteral("/LauncherEntry");
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    for (QChar &c : path) {
        if (c != QLatin1Char('/') && c != QLatin1Char('_') && !(c.unicode() < 128 && c.isLetterOrNumber()))
            c = QLatin1Char('_');
    }
    return path;
}
}

// Answers the Query method that some task managers call at start instead of
// waiting for the next Update.
class LauncherEntryAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.Unity.LauncherEntry")

public:
    explicit LauncherEntryAdaptor(LauncherEntry *entry)
        : QDBusAbstractAdaptor(entry)
        , m_entry(entry)
    {
    }

public slots:
    QString Query(QVariantMap &properties)
    {
        properties = m_entry->properties();
        return LauncherEntry::appUri();
    }

private:
    LauncherEntry *m_entry;
};

LauncherEntry::LauncherEntry(QObject *parent)
    : LauncherEntry(QDBusConnection::sessionBus(), parent)
{
}

LauncherEntry::LauncherEntry(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_path(objectPath())
{
    if (!m_bus.isConnected())
        return;
    new LauncherEntryAdaptor(this);
    m_registered = m_bus.registerObject(m_path, this);
}

LauncherEntry::~LauncherEntry()
{
    clear();
    if (m_registered)
        m_bus.unregisterObject(m_path);
}

void LauncherEntry::setProgress(double fraction)
{
    const double rounded = qRound(qBound(0.0, fraction, 1.0) * 1000) / 1000.0;
    QVariantMap changed;
    if (!m_progressVisible || rounded != m_progress)
        changed.insert(QStringLiteral("progress"), rounded);
    if (!m_progressVisible)
        changed.insert(QStringLiteral("progress-visible"), true);
    m_progress = rounded;
    m_progressVisible = true;
    update(changed);
}

void LauncherEntry::setCount(int count)
{
    const bool visible = count > 0;
    QVariantMap changed;
    if (visible && count != m_count)
        changed.insert(QStringLiteral("count"), qint64(count));
    if (visible != m_countVisible)
        changed.insert(QStringLiteral("count-visible"), visible);
    if (visible)
        m_count = count;
    m_countVisible = visible;
    update(changed);
}

void LauncherEntry::clear()
{
    QVariantMap changed;
    if (m_progressVisible)
        changed.insert(QStringLiteral("progress-visible"), false);
    if (m_countVisible)
        changed.insert(QStringLiteral("count-visible"), false);
    m_progressVisible = false;
    m_countVisible = false;
    update(changed);
}

QVariantMap LauncherEntry::properties() const
{
    return {{QStringLiteral("progress"), m_progress},
            {QStringLiteral("progress-visible"), m_progressVisible},
            {QStringLiteral("count"), m_count},
            {QStringLiteral("count-visible"), m_countVisible}};
}

QString LauncherEntry::appUri()
{
    return QStringLiteral("application://") + desktopEntryId() + QStringLiteral(".desktop");
}

void LauncherEntry::update(const QVariantMap &changed)
{
    if (changed.isEmpty() || !m_bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(m_path, kInterface, QStringLiteral("Update"));
    signal << appUri() << changed;
    m_bus.send(signal);
}

#include "launcherentry.moc"

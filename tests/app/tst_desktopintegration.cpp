// Notifications and the launcher entry on a private session bus; a recorder stands in for the desktop.
#include "app/desktopnotifier.h"
#include "app/launcherentry.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingReply>
#include <QtTest>

static const QString kService = QStringLiteral("org.freedesktop.Notifications");
static const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
static QStringList g_warnings;

class Recorder : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("recorder"));
    QList<QVariantList> notifies;
    QList<QVariantMap> updates;
    QString appUri;

    Recorder()
    {
        bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
        bus.registerService(kService);
        bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"),
                    this, SLOT(onUpdate(QString,QVariantMap)));
        bus.interface()->isServiceRegistered(kService); // the bus answered: the match rule holds
    }
    ~Recorder() override { bus.unregisterService(kService); QDBusConnection::disconnectFromBus(QStringLiteral("recorder")); }
    void invoke(uint id) { bus.send(QDBusMessage::createSignal(kPath, kService, "ActionInvoked") << id << QString("default")); }

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        notifies.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return 40 + notifies.size();
    }
    void onUpdate(const QString &uri, const QVariantMap &properties) { updates.append(properties); appUri = uri; }
};

class tst_DesktopIntegration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Firmware Tool"));
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                g_warnings.append(text);
        });
    }
    void cleanup() { QCOMPARE(std::exchange(g_warnings, {}), QStringList()); }

    void notifyReplacesAndActivates()
    {
        Recorder recorder;
        DesktopNotifier notifier;
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        notifier.notify(QStringLiteral("Done"), QStringLiteral("3 updated"));
        notifier.notify(QStringLiteral("Again")); // before the first reply: waits for its id
        QTRY_COMPARE(recorder.notifies.size(), 2);
        QCOMPARE(recorder.notifies.at(0), (QVariantList{"Firmware Tool", 0u, desktopEntryId(), "Done", "3 updated",
                                                        QStringList{"default", "Show"}, QVariantMap{{"desktop-entry", desktopEntryId()}}, -1}));
        QCOMPARE(recorder.notifies.at(1).at(1).toUInt(), 41u);
        recorder.invoke(41); // replaced: no longer this program's
        recorder.invoke(42);
        QVERIFY(activated.wait(5000));
        QCOMPARE(activated.size(), 1);
    }

    void withoutServiceOrBus()
    {
        DesktopNotifier notifier;
        notifier.notify(QStringLiteral("Done"));
        notifier.notify(QStringLiteral("Again"));
        // Replies come in order: once the bus answered this, the refusals are here too.
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value());
        QCoreApplication::processEvents();
        DesktopNotifier(QDBusConnection(QStringLiteral("none"))).notify(QStringLiteral("Done"));
        LauncherEntry(QDBusConnection(QStringLiteral("none"))).setProgress(0.5);
    }

    void launcherEntry()
    {
        Recorder recorder;
        auto entry = std::make_unique<LauncherEntry>();
        entry->setProgress(0.25);
        entry->setProgress(0.2504); // less than a per mille: not sent
        entry->setCount(3);
        entry->setProgress(0.5);
        // A task manager that starts later asks for the state.
        QDBusPendingReply<QString, QVariantMap> query = recorder.bus.asyncCall(QDBusMessage::createMethodCall(
            QDBusConnection::sessionBus().baseService(), "/com/example/vantor_displays/FirmwareUpdateTool/LauncherEntry",
            "com.canonical.Unity.LauncherEntry", "Query"));
        QTRY_VERIFY(query.isFinished());
        QCOMPARE(query.argumentAt<1>(), entry->properties());
        entry.reset(); // hides the bar and the badge
        const QList<QVariantMap> expected{{{"progress", 0.25}, {"progress-visible", true}}, {{"count", qint64(3)}, {"count-visible", true}},
                                          {{"progress", 0.5}}, {{"progress-visible", false}, {"count-visible", false}}};
        QTRY_COMPARE(recorder.updates, expected);
        QCOMPARE(recorder.appUri, "application://com.example.vantor_displays.FirmwareUpdateTool.desktop");
    }
};

QTEST_GUILESS_MAIN(tst_DesktopIntegration)
#include "tst_desktopintegration.moc"

#include "testsettings.h"

#include <QDir>
#include <QSettings>

TestSettingsLocation::TestSettingsLocation()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    setMainValue(QStringLiteral("Firmware Server URL"), QLatin1String(kUnreachableServer));
}

void TestSettingsLocation::setMainValue(const QString &key, const QVariant &value)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                    QStringLiteral("Vantor Monitor User Tessilon"),
                    QStringLiteral("Vantor Display Firmware Update Tool"));
    store.setValue(QStringLiteral("Settings/") + key, value);
}

void TestSettingsLocation::clear()
{
    QDir dir(m_dir.path());
    dir.removeRecursively();
    QDir().mkpath(m_dir.path());
    setMainValue(QStringLiteral("Firmware Server URL"), QLatin1String(kUnreachableServer));
}

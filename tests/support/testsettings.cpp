#include "testsettings.h"

#include <QDir>
#include <QSettings>

TestSettingsLocation::TestSettingsLocation()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

void TestSettingsLocation::clear()
{
    QDir dir(m_dir.path());
    dir.removeRecursively();
    QDir().mkpath(m_dir.path());
}

#pragma once

#include <QTemporaryDir>

// Points every QSettings store of the process at a fresh temporary folder
// for the lifetime of this object, so tests never read or write the user's
// real settings.
class TestSettingsLocation
{
public:
    TestSettingsLocation();
    QString path() const { return m_dir.path(); }
    // Removes every stored value (between test cases).
    void clear();

private:
    QTemporaryDir m_dir;
};

#pragma once

#include <QTemporaryDir>

// Points every QSettings store of the process at a fresh temporary folder
// for the lifetime of this object, so tests never read or write the user's
// real settings. The firmware server is set to a closed loopback port, so a
// test that builds the main window never reaches out to the real server;
// tests that need the database point it at the local firmware server.
class TestSettingsLocation
{
public:
    TestSettingsLocation();
    QString path() const { return m_dir.path(); }
    // Removes every stored value (between test cases).
    void clear();
    // Sets a value of the main store's "Settings" group.
    void setMainValue(const QString &key, const QVariant &value);

    static constexpr char kUnreachableServer[] = "http://127.0.0.1:9/firmwareupdates/";

private:
    QTemporaryDir m_dir;
};

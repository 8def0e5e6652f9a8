#pragma once

#include <QString>
#include <QUrl>

class QSettings;

// Where the maker's firmware server publishes the release database. The
// base location is a setting of the main store so that a site (or a test)
// can point the tool at another server.

inline constexpr char kFirmwareServerUrlKey[] = "Firmware Server URL";
inline constexpr char kDefaultFirmwareServerUrl[] =
    "http://firmware.vantor-displays.example.com/firmwareupdates/";

// The base location from the "Settings" group of store, or the default.
QString firmwareServerBaseUrl(QSettings &store);
// The same from the main settings store.
QString firmwareServerBaseUrl();

// The database document under baseUrl (a missing trailing "/" is supplied).
QUrl releaseDatabaseUrl(const QString &baseUrl);

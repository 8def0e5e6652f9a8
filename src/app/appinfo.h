#pragma once

#include <QString>

// The application's identity: names under which settings are stored, the
// version shown to the operator, the single-instance lock name and the names
// under which it is installed.
namespace AppInfo {
inline constexpr char kOrganisationName[] = "BREVLIN VANTOR DISPLAY SOLUTIONS";
inline constexpr char kOrganisationDomain[] = "vantor-displays.example.com";
inline constexpr char kApplicationName[] = "Vantor Display Firmware Update Tool";
inline constexpr char kApplicationVersion[] = "1.2.00";
inline constexpr int kApplicationBuildNumber = 240112;
inline constexpr char kMainSettingsOrganisation[] = "Vantor Monitor User Tessilon";
inline constexpr char kSingleInstanceName[] = "7D5119B5-4E7F-4c32-92A3-6676BFF24999";
// Names of the installed program, read by packaging/CMakeLists.txt as well:
// the Debian package, which is also the data folder under share/, and the
// desktop entry's id (reverse domain, no hyphens), which the window system
// uses to find the entry and its icon.
inline constexpr char kPackageName[] = "vantor-display-firmware-update-tool";
inline constexpr char kDesktopFileId[] = "com.example.vantor_displays.FirmwareUpdateTool";

// "Application version: 1.2.00 (Build 240112)", translated.
QString versionText();

// Sets organisation and application names on the application object.
void applyIdentity();
}

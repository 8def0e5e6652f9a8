#pragma once

#include "app/appinfo.h"
#include "app/commandstate.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class TcpClient;
class HttpClient;

// Firmware match state of a display row, decided by the catalogue matching.
namespace MatchStatus {
enum Code {
    NotMatched = 0,
    NoVersionReported = 1,
    NoRelease = 2,
    NotComparable = 3,
    UpToDate = 4,
    NewerUsbOnly = 5,
    NewerViaLan = 6,
};
}

// Download state of a row's firmware.
namespace DownloadState {
enum Code { NotDownloaded = 0, Error = 1, Downloading = 2, Downloaded = 3 };
}

// One detected display: what its search reply and control reply said, how
// its firmware matched the catalogue, and the state of its download and
// LAN update. A plain value type, copied whole when a row is replaced.
struct DISPLAY_LIST_ENTRY
{
    int powerState = 0;
    bool selectedForUpdate = false;
    int updateStatus = 0;
    int lastUpdateStatus = 0;
    TcpClient *tcpClient = nullptr;
    HttpClient *updateClient = nullptr;
    QHostAddress ipAddress;
    QHostAddress ipAddress2;
    std::array<QString, 4> fwVersions;
    QString modelName;
    QString serialNumber;
    QString currentFirmware;
    QString assetTag;
    QString macAddress;
    int udpSeries = 0;
    int seriesId = 0;
    int matchStatus = MatchStatus::NotMatched;
    int downloadStatus = DownloadState::NotDownloaded;
    int downloadPercent = 0;
    QStringList changeNotes;
    QString latestVersion;
    std::array<int, 6> componentProgress{{-1, -1, -1, -1, -1, -1}};
    int requiresAppBuild = 0;
    int updateViaHTTP = 0;
    int updateViaUSB = 0;
    int updateDurationSecs = 0;
    int numPACComponents = 0;
    int useIP2 = 0;
    int needPowerOnToUpdateViaHTTP = 0;
    int needPowerOnToReadInfo = 0;
    bool uploading = false;
    int legacyModel = 0;
    int uploadPercent = -1;
    int commStatus = 0;
    QElapsedTimer updateTimer;
    int powerCycleKind = 0;
    int ip2CheckResult = -1;
    int lockStatus = -1;
    int powerSaveMode = -2;
    // What the check after a successful LAN update found (the display's
    // firmware version once it restarted); empty when none ran.
    QString updateCheck;

    // The matched release does not need a newer build of this tool.
    bool buildOk() const { return requiresAppBuild <= AppInfo::kApplicationBuildNumber; }
    // Where its LAN update goes: the alternate address when the release says so.
    const QHostAddress &updateAddress() const { return useIP2 != 0 ? ipAddress2 : ipAddress; }

    // Conditions that the Status column's text and its icon share.
    // Off, and a model that reports its information only when on, so what is
    // missing is explained by the power state.
    bool needsPowerOnToReport() const;
    // Selected and idle, but the model is updated only when on and it is not.
    bool blockedByPowerState() const;
    // Selected, and the power-save mode goes off before its update.
    bool powerSaveWillChange() const;
};

using DisplayList = QList<DISPLAY_LIST_ENTRY>;

// What the main window's commands need to know of the list; `currentRow` is
// the row selected in the table, or -1.
DisplayListTally tallyDisplayList(const DisplayList &list, int currentRow);

// The address as the table shows it: dotted IPv4 (also for IPv4-mapped
// addresses), otherwise the address's own text form.
QString displayAddressText(const QHostAddress &address);

#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <memory>

class QSettings;

// The operator's persisted preferences. The main window reads them once at
// construction and writes them once at destruction, so a run that ends
// abnormally keeps the previous values.
struct MainSettings
{
    static constexpr int kLegacySupportMagic = 5807;

    int multiUpdateLimit = 5;
    bool legacyEnabled = false;
    QSize windowSize{0, 0};
    int lanDeviceIndex = -1;
    bool saveLanDeviceIndex = true; // false when the selector's item carries no value
    QString ipScanText;
    bool showAssetTagColumn = true;
    bool showMacAddressColumn = false;

    static MainSettings load(QSettings &store);
    void save(QSettings &store) const;
};

namespace SettingsStores {
// The main store ("Settings" group opened by the caller's load/save).
std::unique_ptr<QSettings> openMainStore();
// The start-up store, read before the application object exists.
std::unique_ptr<QSettings> openStartupStore();
// "enable_high_dpi_scaling" of the start-up store, default true.
bool highDpiScalingEnabled(QSettings &startupStore);
}

// The stored window size when it fits strictly inside the whole desktop,
// otherwise the default.
QSize restoredWindowSize(const QSize &stored, const QSize &desktop, const QSize &defaultSize);

// Position of the stored "LAN Device Index" among the selector's item values,
// or 0 (the first item) when it is absent or names an interface that is gone.
int interfaceSelectorPosition(const QList<int> &itemValues, int storedValue, int interfaceCount);

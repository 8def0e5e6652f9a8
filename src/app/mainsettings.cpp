#include "app/mainsettings.h"

#include "app/appinfo.h"

#include <QSettings>

namespace {
const char kGroup[] = "Settings";
const char kMultiUpdateLimit[] = "Multi Update Limit";
const char kLds[] = "LDS";
const char kWidth[] = "Main Dialog Width";
const char kHeight[] = "Main Dialog Height";
const char kLanDeviceIndex[] = "LAN Device Index";
const char kIpScanText[] = "IP Address Scan Text";
const char kShowAssetTag[] = "Show Asset Tag Column";
const char kShowMac[] = "Show MAC Address Column";

// A stored integer, or the default when the value is absent or not a number.
int intValue(const QSettings &store, const char *key, int defaultValue)
{
    bool ok = false;
    const int value = store.value(QLatin1String(key)).toInt(&ok);
    return ok ? value : defaultValue;
}
}

MainSettings MainSettings::load(QSettings &store)
{
    MainSettings s;
    store.beginGroup(QLatin1String(kGroup));
    s.multiUpdateLimit = intValue(store, kMultiUpdateLimit, s.multiUpdateLimit);
    // No update could ever start under a limit below one.
    if (s.multiUpdateLimit < 1)
        s.multiUpdateLimit = MainSettings().multiUpdateLimit;
    s.legacyEnabled = intValue(store, kLds, 0) == kLegacySupportMagic;
    s.windowSize = QSize(intValue(store, kWidth, 0), intValue(store, kHeight, 0));
    s.lanDeviceIndex = intValue(store, kLanDeviceIndex, s.lanDeviceIndex);
    s.ipScanText = store.value(QLatin1String(kIpScanText)).toString();
    s.showAssetTagColumn = store.value(QLatin1String(kShowAssetTag), true).toBool();
    s.showMacAddressColumn = store.value(QLatin1String(kShowMac), false).toBool();
    store.endGroup();
    return s;
}

void MainSettings::save(QSettings &store) const
{
    store.beginGroup(QLatin1String(kGroup));
    if (saveLanDeviceIndex)
        store.setValue(QLatin1String(kLanDeviceIndex), lanDeviceIndex);
    store.setValue(QLatin1String(kMultiUpdateLimit), multiUpdateLimit);
    store.setValue(QLatin1String(kWidth), windowSize.width());
    store.setValue(QLatin1String(kHeight), windowSize.height());
    store.setValue(QLatin1String(kLds), legacyEnabled ? kLegacySupportMagic : 0);
    store.setValue(QLatin1String(kShowAssetTag), showAssetTagColumn);
    store.setValue(QLatin1String(kShowMac), showMacAddressColumn);
    store.setValue(QLatin1String(kIpScanText), ipScanText);
    store.endGroup();
    store.sync();
}

namespace SettingsStores {

std::unique_ptr<QSettings> openMainStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QLatin1String(AppInfo::kMainSettingsOrganisation),
                                       QLatin1String(AppInfo::kApplicationName));
}

std::unique_ptr<QSettings> openStartupStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QLatin1String(AppInfo::kOrganisationName),
                                       QLatin1String(AppInfo::kApplicationName));
}

bool highDpiScalingEnabled(QSettings &startupStore)
{
    return startupStore.value(QStringLiteral("enable_high_dpi_scaling"), 1).toBool();
}

}

QSize restoredWindowSize(const QSize &stored, const QSize &desktop, const QSize &defaultSize)
{
    const bool fits = stored.width() > 0 && stored.width() < desktop.width()
        && stored.height() > 0 && stored.height() < desktop.height();
    return fits ? stored : defaultSize;
}

int interfaceSelectorPosition(const QList<int> &itemValues, int storedValue, int interfaceCount)
{
    const int position = itemValues.indexOf(storedValue);
    return (position >= 0 && position <= interfaceCount) ? position : 0;
}

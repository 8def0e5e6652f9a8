#include "cli/displayrecords.h"

#include "displaylist/displaycolumns.h"

#include <QCoreApplication>

namespace DisplayRecords {

namespace {

QString tr(const char *text, const char *comment = nullptr)
{
    return QCoreApplication::translate("DisplayRecords", text, comment);
}

QString title(int column)
{
    return DisplayColumns::headerText(column);
}

QString addressText(const QHostAddress &address)
{
    return address.isNull() ? QString() : displayAddressText(address);
}

}

bool offersLanUpdate(const DISPLAY_LIST_ENTRY &e, bool legacyEnabled)
{
    // The Action column names the update exactly when the check box is offered.
    return !DisplayColumns::text(e, DisplayColumns::ActionColumn, legacyEnabled).isEmpty()
        && (e.legacyModel == 0 || legacyEnabled);
}

RecordSet displays(const DisplayList &list, bool legacyEnabled)
{
    using namespace DisplayColumns;
    RecordSet set({{QStringLiteral("model"), title(ModelNameColumn)},
                   {QStringLiteral("serialNumber"), title(SerialNumberColumn)},
                   {QStringLiteral("assetTag"), title(AssetTagColumn)},
                   {QStringLiteral("address"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("address2"), QString(), RecordField::JsonOnly},
                   {QString(), title(IpAddressColumn), RecordField::TextOnly},
                   {QStringLiteral("macAddress"), title(MacAddressColumn)},
                   {QStringLiteral("powerState"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("power"), title(PowerStateColumn)},
                   {QStringLiteral("firmware"), title(CurrentFirmwareColumn)},
                   {QStringLiteral("latestVersion"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("availabilityCode"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("availability"), title(AvailabilityColumn)},
                   {QStringLiteral("lanUpdate"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("statusText"), title(StatusColumn)}});
    for (const DISPLAY_LIST_ENTRY &e : list) {
        const auto cell = [&](int column) { return text(e, column, legacyEnabled); };
        set.append({cell(ModelNameColumn), cell(SerialNumberColumn), cell(AssetTagColumn), addressText(e.ipAddress),
                    addressText(e.ipAddress2), cell(IpAddressColumn), cell(MacAddressColumn), e.powerState,
                    cell(PowerStateColumn), cell(CurrentFirmwareColumn), e.latestVersion, e.matchStatus,
                    cell(AvailabilityColumn), offersLanUpdate(e, legacyEnabled), cell(StatusColumn)});
    }
    return set;
}

RecordSet updateResults(const DisplayList &list, const QList<Outcome> &outcomes)
{
    using namespace DisplayColumns;
    RecordSet set({{QStringLiteral("row"), QStringLiteral("#")},
                   {QStringLiteral("model"), title(ModelNameColumn)},
                   {QStringLiteral("serialNumber"), title(SerialNumberColumn)},
                   {QStringLiteral("assetTag"), title(AssetTagColumn)},
                   {QStringLiteral("address"), title(IpAddressColumn)},
                   {QStringLiteral("firmwareBefore"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("firmware"), title(CurrentFirmwareColumn)},
                   {QStringLiteral("status"), QString(), RecordField::JsonOnly},
                   {QStringLiteral("result"), tr("Result", "column title")},
                   {QStringLiteral("check"), tr("Check after the update", "column title")}});
    for (const Outcome &outcome : outcomes) {
        const DISPLAY_LIST_ENTRY &e = list.at(outcome.row);
        set.append({outcome.row + 1, e.modelName, e.serialNumber, e.assetTag, addressText(e.ipAddress),
                    outcome.firmwareBefore, e.currentFirmware, outcome.status, outcome.result, e.updateCheck});
    }
    return set;
}

}

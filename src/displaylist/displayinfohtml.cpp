#include "displaylist/displayinfohtml.h"

#include "displaylist/updatestatus.h"

#include <QCoreApplication>

namespace {

// The panel's texts share one translation context.
struct DisplayInfoPanel
{
    Q_DECLARE_TR_FUNCTIONS(DisplayInfoPanel)
};

// Texts reported by a display go into the panel literally, never as markup.
QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

const char kTableStart[] = "<table border=\"1\" cellpadding=\"5\" cellspacing=\"0\">";

QString headerRow(const QString &title, int span)
{
    return QStringLiteral("<tr><th colspan=\"%1\" bgcolor=\"#DDDDDD\">%2</th></tr>").arg(span).arg(title);
}

QString labelRow(const QString &label, const QString &value, int valueSpan = 1)
{
    return QStringLiteral("<tr><td>%1</td><td colspan=\"%2\">%3</td></tr>").arg(label).arg(valueSpan).arg(value);
}

QString addressLink(const QHostAddress &address)
{
    return QStringLiteral("<a href=\"http://%1/\">%1</a>").arg(esc(displayAddressText(address)));
}

QString generalHints(const PanelContext &context)
{
    if (context.searching)
        return QString();
    if (!context.databaseLoaded) {
        return DisplayInfoPanel::tr("<h3><img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"> Unable to download firmware definitions</h3><p>Check the Internet connection and restart this application.</p>");
    }
    QString html;
    if (context.rowCount > 0) {
        html += DisplayInfoPanel::tr("<h3>Select a row in the table above to see details of a detected display</h3><p><img src=\":/resources/right click.svg\" width=\"16\" height=\"16\">Right-click a row for additional operations and settings.</p>");
    }
    html += DisplayInfoPanel::tr("<h3>Didn't find a display?</h3><p>If the display is located on another subnet, or across a VPN, managed switch, or router, use the <img src=\":/resources/search settings.svg\" width=\"16\" height=\"16\"> 'Configure Targeted network search' function on the 'Tools' menu and enter the IP addresses to search, then use <img src=\":/resources/search target.svg\" width=\"16\" height=\"16\"> 'Targeted search'.</p>");
    html += DisplayInfoPanel::tr("<h3>Create a firmware USB drive</h3><p>Create a USB drive with the latest firmware for a supported display model and update it via the display's USB port. Use <img src=\":/resources/usb drive.svg\" width=\"16\" height=\"16\">'Create firmware USB drive by model' on the 'Tools' menu.</p>");
    return html;
}

QString stateBlocks(const DISPLAY_LIST_ENTRY &e)
{
    QString html;
    if (!e.buildOk()) {
        html += DisplayInfoPanel::tr("<h3><img src=\":/resources/info.svg\" width=\"16\" height=\"16\"> Info: Application build %1 is required to update this display via LAN</h3><p>Please update this application to the latest version.</p>")
                    .arg(e.requiresAppBuild);
    }
    if (e.updateStatus == UpdateStatus::Idle) {
        if (e.lastUpdateStatus == UpdateStatus::Complete) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/checkmark.svg\" width=\"16\" height=\"16\">Success</h3><p>The firmware has been successfully updated.</p>");
            if (!e.updateCheck.isEmpty())
                html += QStringLiteral("<p>%1</p>").arg(esc(e.updateCheck));
        } else if (UpdateStatus::isFailure(e.lastUpdateStatus)) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/monitor error.svg\" width=\"16\" height=\"16\"> An error occurred during the firmware update</h3><p>%1 Check the network connection and display status, then attempt the firmware update again.</p>")
                        .arg(UpdateStatus::statusText(e.lastUpdateStatus));
        }
    }
    if (e.selectedForUpdate) {
        if (e.lockStatus == 1) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"> Error: The display is currently locked</h3><p>Please login to the display here <a href=\"http://%1/\">%1</a> to unlock it and allow firmware updates, then search the network again or refresh the display information (<img src=\":/resources/right click.svg\" width=\"16\" height=\"16\"> right-click the table row, or select from the 'Tools' menu). The USER NAME is the MONITOR NAME (default is '%2' unless changed).</p>")
                        .arg(esc(displayAddressText(e.ipAddress)), esc(e.modelName));
        } else if (e.commStatus == 2) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"> Error: The IP address for the Firmware update is unreachable</h3>This can be because:<br>1. The display is currently powered off or is in the process of initializing. Power on the display (click the power icon in the table above and select 'Power On') and allow a few seconds to initialize, then search the network again.<br>2. The display was powered off when the network was searched. Search the network again.<br>3. The IP address of the 'Media Player' (used by the firmware update) is not correctly configured on the display. Please configure the IP address here <a href=\"http://%1/\">%1</a>.</p>")
                        .arg(esc(displayAddressText(e.ipAddress)));
        }
    }
    return html;
}

QString powerBlocks(const DISPLAY_LIST_ENTRY &e, bool *powerOffInfoShown)
{
    QString html;
    *powerOffInfoShown = false;
    if (e.powerState != 1 && e.needPowerOnToReadInfo != 0
        && (e.commStatus == 1 || e.matchStatus == MatchStatus::NoVersionReported)) {
        *powerOffInfoShown = true;
        if (e.needPowerOnToReadInfo & 0x1) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/info.svg\" width=\"16\" height=\"16\"> Info: Display information not available while Power is Off</h3><p>This display model requires to be powered on to report all display information. Change the Power State to 'On' and refresh the display information (<img src=\":/resources/right click.svg\" width=\"16\" height=\"16\"> right-click the table row, or select from the 'Tools' menu).</p>");
        }
        if (e.needPowerOnToReadInfo & 0x2) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/info.svg\" width=\"16\" height=\"16\"> Info: Display information not available when using the S-Format command setting.</h3><p>This display model requires the 'Command Format' setting on the display to be set to 'N-Format' to use this software. Please make sure the correct 'Command Format' setting is selected on the display.</p>");
        }
    }
    if (e.selectedForUpdate) {
        if (e.powerState != 1 && e.needPowerOnToUpdateViaHTTP != 0) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"> Error: Power State is Off</h3><p>This display model requires to be powered on in order to update the firmware. Change the Power State to 'On' and refresh the display information (<img src=\":/resources/right click.svg\" width=\"16\" height=\"16\"> right-click the table row, or select from the 'Tools' menu).</p>");
        }
        if ((e.seriesId == 1 || e.seriesId == 2) && (e.powerSaveMode == 0 || e.powerSaveMode == 1)) {
            const QString mode = e.powerSaveMode == 0 ? DisplayInfoPanel::tr("Auto Power Save") : DisplayInfoPanel::tr("Auto Standby");
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/info.svg\" width=\"16\" height=\"16\"> Info: Manual setting of &quot;Power Save Mode&quot; required after update</h3><p>The display's Power Save Mode is &quot;%1&quot; and will be automatically changed to &quot;Off&quot; as the firmware update is applied. Please manually change this setting back once the firmware update is complete (<img src=\":/resources/right click.svg\" width=\"16\" height=\"16\"> right-click the table row and select the Power Save Mode).</p>")
                        .arg(mode);
        }
        if (e.powerCycleKind == 2) {
            html += DisplayInfoPanel::tr("<h3><img src=\":/resources/reset power.svg\" width=\"16\" height=\"16\"> Info: Manual AC power cycle required after update</h3><p>The display will require a manual AC power cycle after the firmware update is complete.</p>");
        }
    } else if (e.updateStatus == UpdateStatus::Idle && e.lastUpdateStatus == UpdateStatus::Complete
               && e.powerCycleKind == 2) {
        html += DisplayInfoPanel::tr("<h3><img src=\":/resources/reset power.svg\" width=\"16\" height=\"16\"> Manual AC power cycle required to complete the firmware update</h3><p>Please manually cycle the display's AC power to complete the update process.</p>");
    }
    return html;
}

QString firmwareBlocks(const DISPLAY_LIST_ENTRY &e, bool powerOffInfoShown)
{
    QString html;
    if (e.matchStatus == MatchStatus::UpToDate) {
        html += DisplayInfoPanel::tr("<h3>Currently installed firmware version %1 is the latest available</h3><p>It is not necessary to update the firmware.</p>")
                    .arg(esc(e.currentFirmware));
    }
    if (e.commStatus == 1 && !powerOffInfoShown) {
        html += DisplayInfoPanel::tr("<h3><img src=\":/resources/warning.svg\" width=\"16\" height=\"16\"> Error: Unable to communicate with display</h3>The display may be powered off or is in the process of initializing. Power on the display (click the power icon in the table above and select 'Power On') and allow a few seconds to initialize, then search the network again or 'Refresh display information' the row in the table above.");
    }
    if (e.matchStatus == MatchStatus::NewerViaLan) {
        html += DisplayInfoPanel::tr("<h3>New firmware version %1 is available for this display</h3><p>Currently installed firmware is version %2.</p>")
                    .arg(esc(e.latestVersion), esc(e.currentFirmware));
        html += DisplayInfoPanel::tr("<h3>All changes from the installed version to the latest version:</h3>");
        int number = 1;
        for (const QString &note : e.changeNotes) {
            const QStringList parts = note.split(QLatin1Char('|'));
            for (const QString &part : parts)
                html += QStringLiteral("%1. %2<br>").arg(number++).arg(part);
        }
        if (html.endsWith(QLatin1String("<br>")))
            html.chop(4);
        else
            html += DisplayInfoPanel::tr("None (current)");
    }
    return html;
}

QString updateInfoTable(const DISPLAY_LIST_ENTRY &e)
{
    const QString supported = DisplayInfoPanel::tr("Supported");
    const QString notSupported = DisplayInfoPanel::tr("Not supported");
    QString powerCycle;
    if (e.powerCycleKind == 2)
        powerCycle = DisplayInfoPanel::tr("Yes", "ManualPowerCycleRequired");
    else if (e.powerCycleKind == 1)
        powerCycle = DisplayInfoPanel::tr("No", "ManualPowerCycleRequired");
    else
        powerCycle = DisplayInfoPanel::tr("N/A", "ManualPowerCycleRequired unknown");
    const int minutes = e.updateDurationSecs >= 0 ? (e.updateDurationSecs + 30) / 60
                                                  : -((-e.updateDurationSecs + 30) / 60);
    return QStringLiteral("<br>") + QLatin1String(kTableStart)
        + headerRow(DisplayInfoPanel::tr("Firmware Update Information"), 2)
        + labelRow(DisplayInfoPanel::tr("Approximate time to update firmware"),
                   DisplayInfoPanel::tr("%1 minutes", "1=update time in minutes").arg(minutes))
        + labelRow(DisplayInfoPanel::tr("Update via LAN"), e.updateViaHTTP > 0 ? supported : notSupported)
        + labelRow(DisplayInfoPanel::tr("Requires manual AC power cycle after LAN update"), powerCycle)
        + labelRow(DisplayInfoPanel::tr("Update via USB"), e.updateViaUSB > 0 ? supported : notSupported)
        + QStringLiteral("</table><br>");
}

QString ledTable(const PanelReleaseFacts &release)
{
    if (release.ledCodes[0] == 0 && release.ledCodes[1] == 0 && release.ledCodes[2] == 0)
        return QString();
    return QLatin1String(kTableStart) + headerRow(DisplayInfoPanel::tr("Firmware Update Power LED sequence"), 2)
        + labelRow(DisplayInfoPanel::tr("In progress"), release.ledTexts[0])
        + labelRow(DisplayInfoPanel::tr("Finished (waiting for restart)"), release.ledTexts[1])
        + labelRow(DisplayInfoPanel::tr("Error"), release.ledTexts[2])
        + labelRow(DisplayInfoPanel::tr("Normal operation"), DisplayInfoPanel::tr("Other"))
        + QStringLiteral("</table><br>");
}

QString displayTable(const DISPLAY_LIST_ENTRY &e)
{
    const bool longForm = e.numPACComponents > 1;
    QString html = QLatin1String(kTableStart) + headerRow(DisplayInfoPanel::tr("Display Information"), 3)
        + labelRow(DisplayInfoPanel::tr("Model"), esc(e.modelName), 2)
        + labelRow(DisplayInfoPanel::tr("Serial number"), esc(e.serialNumber), 2)
        + labelRow(DisplayInfoPanel::tr("MAC Address"), esc(e.macAddress), 2)
        + labelRow(DisplayInfoPanel::tr("Main IP address"), addressLink(e.ipAddress), 2);
    if (longForm) {
        const QString updateAddress = e.updateViaHTTP == 0
            ? DisplayInfoPanel::tr("N/A")
            : addressLink(e.updateAddress());
        html += labelRow(DisplayInfoPanel::tr("Firmware update IP address"), updateAddress, 2);
    }
    html += QStringLiteral("<tr><td bgcolor=\"#DDDDDD\">%1</td><td bgcolor=\"#DDDDDD\">%2</td><td bgcolor=\"#DDDDDD\">%3</td></tr>")
                .arg(DisplayInfoPanel::tr("Firmware"), DisplayInfoPanel::tr("Current"), DisplayInfoPanel::tr("Available"));
    const QString row3 = QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>");
    html += row3.arg(DisplayInfoPanel::tr("Main"), esc(e.currentFirmware), esc(e.latestVersion));
    if (longForm) {
        for (int i = 0; i < 4; ++i)
            html += row3.arg(DisplayInfoPanel::tr("Firmware %1").arg(i + 1), esc(e.fwVersions[i]), QStringLiteral("-"));
    }
    return html + QStringLiteral("</table>");
}

QString documentationTable(const PanelReleaseFacts &release)
{
    QString html = QStringLiteral("<br>") + QLatin1String(kTableStart)
        + QStringLiteral("<tr><th bgcolor=\"#DDDDDD\">%1</th></tr>").arg(DisplayInfoPanel::tr("Product documentation"));
    for (const auto &doc : release.documentation) {
        html += QStringLiteral("<tr><td><a href=\"%1\">%2</a></td></tr>")
                    .arg(doc.second.toHtmlEscaped(), doc.first.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

} // namespace

QString buildDisplayInfoHtml(const DISPLAY_LIST_ENTRY *entry, const PanelReleaseFacts &release,
                             const PanelContext &context)
{
    if (!context.startupFinished)
        return QString();
    if (!entry)
        return generalHints(context);

    const DISPLAY_LIST_ENTRY &e = *entry;
    bool powerOffInfoShown = false;
    QString html = stateBlocks(e);
    html += powerBlocks(e, &powerOffInfoShown);
    html += firmwareBlocks(e, powerOffInfoShown);
    if (release.found) {
        html += updateInfoTable(e);
        html += ledTable(release);
    }
    html += displayTable(e);
    if (release.found && !release.documentation.isEmpty())
        html += documentationTable(release);
    return html;
}

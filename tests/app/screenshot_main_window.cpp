// Renders the main window with a sample display list and the Tools menu open,
// and saves the screen to the PNG named on the command line. Used to refresh
// docs/screenshot-main-window.png; run it under a virtual X server.
#include "app/pdfirmuptool.h"
#include "pdfirmuptooltestaccess.h"
#include "resources/resourceinit.h"
#include "testsettings.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

namespace {

DISPLAY_LIST_ENTRY sample(const char *model, const char *serial, const char *address, const char *firmware,
                          int match)
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = QLatin1String(model);
    e.serialNumber = QLatin1String(serial);
    e.assetTag = QStringLiteral("FLOOR2-") + QLatin1String(serial).right(3);
    e.ipAddress = QHostAddress(QLatin1String(address));
    e.macAddress = QStringLiteral("00-1A-2B-3C-4D-5E");
    e.currentFirmware = QLatin1String(firmware);
    e.latestVersion = QStringLiteral("R3.200");
    e.powerState = 1;
    e.matchStatus = match;
    e.updateViaHTTP = 1;
    e.updateViaUSB = 1;
    e.numPACComponents = 1;
    e.updateDurationSecs = 900;
    e.powerCycleKind = 1;
    e.selectedForUpdate = match == MatchStatus::NewerViaLan;
    return e;
}

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initVdfuResources();
    const QString output = app.arguments().value(1, QStringLiteral("screenshot-main-window.png"));
    TestSettingsLocation settings;
    QTemporaryDir documents;

    PDFirmUpTool::Environment environment;
    environment.documentsFolder = documents.path();
    PDFirmUpTool window(environment);
    PDFirmUpToolTestAccess access(window);
    access.databaseLoaded() = true;
    access.startupFinished() = true;

    DISPLAY_LIST_ENTRY first = sample("VT-435A", "5Y100231NA", "192.168.0.21", "R3.100", MatchStatus::NewerViaLan);
    first.changeNotes = QStringList{QStringLiteral("Improved start-up time after AC power on.|Fixed the input name shown on the OSD.")};
    access.appendRow(first);
    access.appendRow(sample("VT-554B", "6Z200412NB", "192.168.0.9", "R3.200", MatchStatus::UpToDate));
    DISPLAY_LIST_ENTRY usbOnly = sample("VT-555U", "4X300118NA", "192.168.0.34", "R1.400", MatchStatus::NewerUsbOnly);
    usbOnly.updateViaHTTP = 0;
    usbOnly.powerState = 2;
    access.appendRow(usbOnly);
    DISPLAY_LIST_ENTRY updated = sample("VT-551C", "8A400977NC", "192.168.0.10", "R3.200", MatchStatus::UpToDate);
    updated.lastUpdateStatus = 3;
    access.appendRow(updated);
    DISPLAY_LIST_ENTRY silent = sample("VT-861D", "7B500310ND", "192.168.0.112", "", MatchStatus::NoVersionReported);
    silent.commStatus = 1;
    silent.powerState = 0;
    silent.assetTag.clear();
    access.appendRow(silent);

    window.move(0, 0);
    window.resize(1280, 780);
    window.show();
    auto *table = window.findChild<QTableView *>(QStringLiteral("display_list_tableView"));
    table->sortByColumn(4, Qt::AscendingOrder);
    table->selectRow(2);
    access.updateUi();

    QTimer::singleShot(1000, &window, [&window] {
        auto *tools = window.findChild<QMenu *>(QStringLiteral("menu_Tools"));
        window.menuBar()->setActiveAction(tools->menuAction());
    });
    QTimer::singleShot(2500, &window, [&] {
        // Highlighting menu entries clears the status bar, so the message comes last.
        window.statusBar()->showMessage(QStringLiteral("Found 5 display(s) on LAN"));
    });
    QTimer::singleShot(3000, &window, [&] {
        QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, window.width(), window.height()).save(output);
        access.clearRows();
        app.quit();
    });
    return app.exec();
}

#pragma once

#include "app/fleetengine.h"
#include "app/pdfirmuptool.h"
#include "displaylist/displaylistmodel.h"

// A checked row on loopback whose firmware has a newer release for the LAN.
inline DISPLAY_LIST_ENTRY lanUpdatableRow(const QString &model = QStringLiteral("VT-435A"),
                                          const QString &serial = QStringLiteral("00000001"))
{
    DISPLAY_LIST_ENTRY e;
    e.modelName = model;
    e.serialNumber = serial;
    e.ipAddress = QHostAddress(QStringLiteral("127.0.0.2"));
    e.matchStatus = MatchStatus::NewerViaLan;
    e.updateViaHTTP = 1;
    e.updateViaUSB = 1;
    e.powerState = 1;
    e.selectedForUpdate = true;
    return e;
}

// Reaches into the main window's state, and that of the fleet engine behind
// it, for tests: the list, counters and flags that other subsystems change
// while the program runs.
class PDFirmUpToolTestAccess
{
public:
    explicit PDFirmUpToolTestAccess(PDFirmUpTool &window)
        : w(window)
    {
    }

    DisplayList &list() { return e().m_displayList; }
    void appendRow(const DISPLAY_LIST_ENTRY &entry)
    {
        e().m_displayList.append(entry);
        emit w.addRow(e().m_displayList.size());
        w.m_model->flush();
    }
    // Empties the list the way a new search does.
    void clearRows()
    {
        e().m_displayList.clear();
        emit w.resetAll();
    }
    void updateUi() { w.update_ui(true); }
    void prepareUsbDriveForModel(const FirmwareRelease &release) { w.prepareUsbDriveForModel(release); }

    int &runningUpdates() { return e().m_runningUpdates; }
    bool updateQueueRunning() const { return w.m_engine->m_firmUpdateTimer.isActive(); }
    // Queues the checked rows' updates as the confirmed command does.
    void queueFirmwareUpdates() { e().queueFirmwareUpdates(); }
    FirmwareReleaseDb &releaseDb() { return e().m_releaseDb; }
    QString &cacheFolder() { return e().m_cacheFolder; }
    int &pendingTcpReplies() { return e().m_pendingTcpReplies; }
    bool &searching() { return e().m_searching; }
    bool &powerSaveChangePending() { return e().m_powerSaveChangePending; }
    bool &databaseLoaded() { return e().m_databaseLoaded; }
    bool &databaseHasLegacyModels() { return e().m_databaseHasLegacyModels; }
    QList<QHostAddress> &targetAddresses() { return e().m_targetAddresses; }
    int &multiUpdateLimit() { return e().m_multiUpdateLimit; }
    bool &legacyEnabled() { return e().m_legacyEnabled; }
    displayListModel *model() const { return w.m_model; }
    DisplaySearchUDP *search() const { return w.m_engine->m_udpSearch; }

private:
    FleetEngine &e() { return *w.m_engine; }

    PDFirmUpTool &w;
};

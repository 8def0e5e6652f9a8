#pragma once

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

// Reaches into the main window's state for tests: the list, counters and
// flags that other subsystems change while the program runs.
class PDFirmUpToolTestAccess
{
public:
    explicit PDFirmUpToolTestAccess(PDFirmUpTool &window)
        : w(window)
    {
    }

    DisplayList &list() { return w.m_displayList; }
    void appendRow(const DISPLAY_LIST_ENTRY &entry)
    {
        w.m_displayList.append(entry);
        emit w.addRow(w.m_displayList.size());
        w.m_model->flush();
    }
    // Empties the list the way a new search does.
    void clearRows()
    {
        w.m_displayList.clear();
        emit w.resetAll();
    }
    void updateUi() { w.update_ui(true); }
    void prepareUsbDriveForModel(const FirmwareRelease &release) { w.prepareUsbDriveForModel(release); }

    int &runningUpdates() { return w.m_runningUpdates; }
    bool updateQueueRunning() const { return w.m_firmUpdateTimer.isActive(); }
    // Queues the checked rows' updates as the confirmed command does.
    void queueFirmwareUpdates() { w.queueFirmwareUpdates(); }
    FirmwareReleaseDb &releaseDb() { return w.m_releaseDb; }
    QString &cacheFolder() { return w.m_cacheFolder; }
    int &pendingTcpReplies() { return w.m_pendingTcpReplies; }
    bool &searching() { return w.m_searching; }
    bool &powerSaveChangePending() { return w.m_powerSaveChangePending; }
    bool &databaseLoaded() { return w.m_databaseLoaded; }
    bool &databaseHasLegacyModels() { return w.m_databaseHasLegacyModels; }
    QList<QHostAddress> &targetAddresses() { return w.m_targetAddresses; }
    int &multiUpdateLimit() { return w.m_multiUpdateLimit; }
    bool &legacyEnabled() { return w.m_legacyEnabled; }
    displayListModel *model() const { return w.m_model; }
    DisplaySearchUDP *search() const { return w.m_udpSearch; }

private:
    PDFirmUpTool &w;
};

// The main window's side of LAN updates: the update cautions (once per run)
// and the confirmation that the engine's queue waits for, and cancelling
// queued updates.
#include "app/pdfirmuptool.h"

#include "app/fleetengine.h"
#include "dialogs/confirmwithscrollmsgareadialog.h"
#include "dialogs/updatewarningmessagedialog.h"
#include "lanupdate/updatequeue.h"

void PDFirmUpTool::confirm_firmware_update()
{
    const UpdateQueue::ConfirmationTexts texts = m_engine->confirmationTexts();
    if (!m_cautionsAccepted) {
        UpdateWarningMessageDialog cautions(this);
        if (cautions.exec() != QDialog::Accepted)
            return;
        m_cautionsAccepted = true;
    }
    ConfirmWithScrollMsgAreaDialog confirmation(this, windowTitle(), texts.heading, texts.table, texts.below);
    if (confirmation.exec() == QDialog::Accepted)
        m_engine->confirmUpdates();
}

void PDFirmUpTool::on_actionCancel_all_queued_updates_via_LAN_triggered()
{
    m_engine->cancelQueuedUpdates();
}

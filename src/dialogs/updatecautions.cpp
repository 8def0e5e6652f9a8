#include "dialogs/updatecautions.h"

#include <QCoreApplication>

namespace {

// The dialog's context, where the translation has always found these texts.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(UpdateWarningMessageDialog)
};

}

namespace UpdateCautions {

QString heading()
{
    return Texts::tr("Please carefully read the following caution items before perfoming a firmware update:");
}

QStringList items()
{
    return {
        Texts::tr("Only update the display firmware if the new version provides an essential new functionality or fixes an issue currently being encountered."),
        Texts::tr("Ensure that you have physical access to the displays in case updating via LAN fails and manual recovery is necessary."),
        Texts::tr("Do not update displays used for critical applications or schedules without first making contingency plans in case the update process via LAN fails."),
        Texts::tr("Do not power off or disconnect power while the firmware update is in progress."),
        Texts::tr("Do not close this application while a firmware update is in progress."),
        Texts::tr("Do not disconnect the network while a firmware update is in progress."),
        Texts::tr("When updating several displays, it is recommended to first test the update process on a single or small number of displays."),
        Texts::tr("Do not turn off updated displays daisy chained via the built-in LAN hub if displays further along the daisy chain are still updating. Wait for all displays to complete updating."),
        Texts::tr("Try and reduce or eliminate other heavy network traffic that may otherwise interfere with the firmware update."),
        Texts::tr("Updating via a VPN or other remote network requires additional care since the connection may be interrupted or slow and cause an update failure."),
        Texts::tr("On some display models the firmware update progress indicator may stay at 0% or not advance for several minutes. This is normal."),
        Texts::tr("Some display models may briefly show the \"Finished\" power LED sequence while the various firmware files are being updated. Check the <i>Status</i> indicator in this application to confirm that the update process has finished."),
        Texts::tr("A negative time estimate doesn't indicate a failure. In some cases, the firmware update may take longer than average. An update failure will eventually timeout."),
        Texts::tr("If a display is locked with its <i>SECURITY PASSWORD</i> function, it is best to temporarily turn the <i>SECURITY</i> function off before updating, especially when updating several displays."),
        Texts::tr("Prevent this PC from restarting, going into a sleep mode, or applying Windows update while a firmware update is in progress."),
    };
}

}

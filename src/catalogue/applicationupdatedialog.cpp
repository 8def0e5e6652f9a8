#include "catalogue/applicationupdatedialog.h"

#include "catalogue/applicationupdatecheck.h"
#include "catalogue/firmwarereleasedb.h"
#include "dialogs/messageboxes.h"

#include <QWidget>

void checkForApplicationUpdates(QWidget *window, const FirmwareReleaseDb &database,
                                bool databaseLoaded, bool showIfNoNewer)
{
    ReleaseDbInfo info;
    database.info(info);
    const ApplicationUpdateMessage message = applicationUpdateMessage(databaseLoaded, info, showIfNoNewer);
    if (message.show)
        MessageBoxes::information(window, window ? window->windowTitle() : QString(), message.text);
}

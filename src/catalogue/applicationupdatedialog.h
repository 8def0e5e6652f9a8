#pragma once

class FirmwareReleaseDb;
class QWidget;

// The tool update check as the operator sees it: runs the check against the
// working database and shows its message, if any, in an information box
// titled like window. showIfNoNewer is true when the operator asked (Help
// menu) and false for the silent check after start-up.
void checkForApplicationUpdates(QWidget *window, const FirmwareReleaseDb &database,
                                bool databaseLoaded, bool showIfNoNewer);

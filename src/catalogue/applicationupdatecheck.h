#pragma once

#include "catalogue/firmwarerelease.h"
#include "app/appinfo.h"

#include <QString>

// What the tool update check tells the operator.
struct ApplicationUpdateMessage
{
    bool show = false;
    QString text; // rich text when a newer build exists
};

// Compares the newest build of this tool named by the release database with
// currentBuild. A newer build gives a message with its download link and the
// numbered changes of every newer build; otherwise there is a message only
// when showIfNoNewer (the operator asked): "no newer updates", or an error
// when the database is not loaded or names no build.
ApplicationUpdateMessage applicationUpdateMessage(bool databaseLoaded, const ReleaseDbInfo &info,
                                                  bool showIfNoNewer,
                                                  int currentBuild = AppInfo::kApplicationBuildNumber);

#pragma once

#include "catalogue/firmwarereleasedb.h"

#include <QStringList>

// The releases that can be written to a USB drive by this build, looked up
// by model name for the model search dialog.
namespace ModelSearch {

// A USB update is offered (updateViaUSB) and this build may write it.
bool usableForUsbDrive(const FirmwareRelease &release);

// Every model name of a usable release, each once (ignoring case), sorted
// without regard to case.
QStringList modelNames(const FirmwareReleaseDb &database);

// Indices of the usable releases that list `model` (ignoring case).
QList<int> usableIndices(const FirmwareReleaseDb &database, const QString &model);

// Adds `text` unless it is empty or already present (ignoring case).
void addVariant(QStringList &variants, const QString &text);

}

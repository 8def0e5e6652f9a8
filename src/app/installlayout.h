#pragma once

#include <QString>

// Where the files that come with the program lie, relative to its executable,
// so that the same build runs from its build tree and from any install prefix.
namespace InstallLayout {

// The folder of the README files: beside the executable in a build tree,
// <bindir>/../share/<package> once installed. Falls back to the executable's
// folder when neither holds them (the caller then reports the file missing).
QString readmeFolder(const QString &applicationDir);

}

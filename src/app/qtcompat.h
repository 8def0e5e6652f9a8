#pragma once

#include <QtGlobal>

// The few places where Qt 5 and Qt 6 differ for this application.
namespace QtCompat {

// Qt 6 always scales for high DPI and always uses high-DPI pixmaps; Qt 5
// needs both attributes set before the application object exists.
void applyHighDpiAttributes(bool scalingEnabled);

// Name of Qt's own Japanese translation inside the resources.
inline const char *qtTranslationResource() { return ":/translations/Resources/qt5_ja.qm"; }

}

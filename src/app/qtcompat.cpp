#include "app/qtcompat.h"

#include <QCoreApplication>

namespace QtCompat {

void applyHighDpiAttributes(bool scalingEnabled)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    if (scalingEnabled)
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#else
    Q_UNUSED(scalingEnabled)
#endif
}

}

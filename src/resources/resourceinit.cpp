#include "resources/resourceinit.h"

#include <QtGlobal>

static void initInGlobalNamespace()
{
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(translations);
}

void initVdfuResources()
{
    initInGlobalNamespace();
}

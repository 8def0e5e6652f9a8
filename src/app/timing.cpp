#include "app/timing.h"

#include <QtGlobal>

#include <cmath>

namespace {
double g_scale = 1.0;
}

namespace Timing {

int scaled(int ms)
{
    if (ms <= 0)
        return ms;
    return qMax(1, int(std::lround(ms * g_scale)));
}

void setScale(double factor)
{
    g_scale = factor > 0 ? factor : 1.0;
}

double scale()
{
    return g_scale;
}

}

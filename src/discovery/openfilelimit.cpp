#include "discovery/openfilelimit.h"

#include <QtGlobal>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

long raiseOpenFileLimit()
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > rlim_t(std::numeric_limits<long>::max()))
        return std::numeric_limits<long>::max();
    return long(limit.rlim_cur);
#else
    return -1;
#endif
}

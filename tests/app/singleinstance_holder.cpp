// Takes the application's single-instance lock the way the program does,
// reports "held" or "busy" on stdout, and keeps holding it until stdin closes
// or the process is killed.
#include "app/appinfo.h"
#include "app/singleinstance.h"

#include <cstdio>

int main()
{
    SingleInstance instance(QLatin1String(AppInfo::kSingleInstanceName));
    std::puts(instance.alreadyRunning() ? "busy" : "held");
    std::fflush(stdout);
    if (instance.alreadyRunning())
        return 0;
    while (std::getchar() != EOF) {
    }
    return 0;
}

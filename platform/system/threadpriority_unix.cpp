#include "ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

void Platform::lowerCurrentThreadPriority()
{
    // Linux keeps a nice value for each thread, which a thread may always raise; elsewhere the
    // call applies to the whole process, which must not slow down, so it is not made.
#ifdef __linux__
    ::setpriority(PRIO_PROCESS, ::gettid(), 5);
#endif
}

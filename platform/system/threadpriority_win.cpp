#include "ThreadPriority.h"

#include <windows.h>

void Platform::lowerCurrentThreadPriority()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

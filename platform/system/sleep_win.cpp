#include "Sleep.h"
#include "platform/files/FileHandle.h"

#include <windows.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

void Platform::sleepMs(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

bool Platform::sleepOneMillisecond()
{
    // Sleep(1) lasts until the next tick of the system's clock, 15.6 ms unless some program has
    // asked for finer ticks; a high-resolution timer (Windows 10 1803 on) keeps to the
    // millisecond. One for each thread that sleeps, since a timer wakes one waiter.
    thread_local const FileHandle timer([] {
        const HANDLE made = CreateWaitableTimerExW(
            nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        return made ? made : INVALID_HANDLE_VALUE;
    }());
    if (!timer.valid())
        return false;
    LARGE_INTEGER due;
    due.QuadPart = -10000; // relative, in units of 100 ns
    return SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)
        && WaitForSingleObject(timer.get(), 100) == WAIT_OBJECT_0;
}

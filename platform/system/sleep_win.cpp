#include "Sleep.h"

#include <windows.h>

void Platform::sleepMs(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

bool Platform::sleepOneMillisecond()
{
    // Not here: Sleep(1) lasts until the next tick of the system's clock (15.6 ms unless some
    // program asked for finer ones), and under Wine, where many players run this build, a
    // high-resolution waitable timer paced the window's loop but made the copy of 20,000 small
    // files a tenth slower (bench-windows.sh, alternated runs): there every wait is a request to
    // the Wine server, which also carries each of the copy's file calls.
    return false;
}

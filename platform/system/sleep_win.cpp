#include "Sleep.h"

#include <windows.h>

void Platform::sleepMs(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

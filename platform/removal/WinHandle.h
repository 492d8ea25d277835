#pragma once

#include <windows.h>

namespace Platform {
// A Win32 handle, closed on every way out; INVALID_HANDLE_VALUE holds nothing.
class WinHandle
{
public:
    explicit WinHandle(HANDLE handle = INVALID_HANDLE_VALUE)
        : handle(handle)
    { }
    ~WinHandle() { reset(); }
    WinHandle(const WinHandle &) = delete;
    WinHandle &operator=(const WinHandle &) = delete;

    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    void reset()
    {
        if (valid())
            CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle;
};
} // namespace Platform

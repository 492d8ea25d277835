#pragma once

#include <utility>
#include <windows.h>

namespace Platform {
// A Windows handle of a file or folder, closed on every way out; INVALID_HANDLE_VALUE holds
// nothing. FileDescriptor's counterpart on Windows.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle)
        : handle(handle)
    { }
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    FileHandle(FileHandle &&other) noexcept
        : handle(std::exchange(other.handle, INVALID_HANDLE_VALUE))
    { }
    FileHandle &operator=(FileHandle &&other) noexcept
    {
        reset(std::exchange(other.handle, INVALID_HANDLE_VALUE));
        return *this;
    }

    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    // Gives the handle up to the caller, who closes it.
    HANDLE release() { return std::exchange(handle, INVALID_HANDLE_VALUE); }
    void reset(HANDLE other = INVALID_HANDLE_VALUE)
    {
        if (valid())
            CloseHandle(handle);
        handle = other;
    }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};
} // namespace Platform

#pragma once

#include <unistd.h>
#include <utility>

namespace Platform {
// A Unix file descriptor, closed on every way out; -1 holds nothing.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1)
        : fd(fd)
    { }
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor(FileDescriptor &&other) noexcept
        : fd(std::exchange(other.fd, -1))
    { }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        reset(std::exchange(other.fd, -1));
        return *this;
    }

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    void reset(int other = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = other;
    }
    // close() reports late write errors on some file systems (NFS), so a copy checks it.
    bool close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};
} // namespace Platform

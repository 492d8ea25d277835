#include "WriteAll.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#endif

bool Platform::writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

namespace {

// From the current offsets of both descriptors to the end of the input.
bool readWriteCopy(int in, int out)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!Platform::writeAll(out, buffer.data(), got))
            return false;
    }
}

bool transfer(int in, int out, off_t sourceSize)
{
#ifdef __linux__
    // In-kernel copying saves the round trip through user space (and shares extents where the
    // file system can). It refuses in several ways that only mean "not here": across file
    // systems, on file systems without it, on special files; the plain loop then goes on from
    // wherever the offsets stand.
    off_t copied = 0;
    for (;;) {
        const ssize_t result = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (result > 0) {
            copied += result;
            // Saves asking once more for the end, which counts on a tree of small files.
            if (copied == sourceSize)
                return true;
            continue;
        }
        if (result == 0) {
            // Some pseudo file systems report an empty file through this call whatever they hold.
            if (copied == 0 && sourceSize > 0)
                break;
            return true;
        }
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP
            && errno != ENOTSUP && errno != EBADF && errno != ETXTBSY && errno != EPERM)
            return false;
        break;
    }
#else
    Q_UNUSED(sourceSize);
#endif
    return readWriteCopy(in, out);
}

// A large file goes on its way to the disk as soon as it is complete, while the next ones are
// copied, so that the sync at the end finds little left to write. Small files are left to the
// file system, which writes them out together more cheaply.
void startWriteBack(int out, off_t size)
{
#ifdef __linux__
    constexpr off_t largeFile = 4 * 1048576;
    if (size >= largeFile)
        ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(out);
    Q_UNUSED(size);
#endif
}

} // namespace

bool Platform::copyAll(int in, int out, qint64 sourceSize)
{
    if (!transfer(in, out, sourceSize))
        return false;
    startWriteBack(out, sourceSize);
    return true;
}

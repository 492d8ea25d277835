#include "WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

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

// The `left` bytes from the current offsets of both descriptors on; an input that ends sooner
// has shrunk and fails.
bool readWriteCopy(int in, int out, qint64 left)
{
    std::vector<char> buffer(size_t(std::clamp<qint64>(left, 1, 1 << 20)));
    while (left > 0) {
        const ssize_t got =
            ::read(in, buffer.data(), size_t(std::min<qint64>(left, buffer.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !Platform::writeAll(out, buffer.data(), got))
            return false;
        left -= got;
    }
    return true;
}

bool transfer(int in, int out, qint64 size)
{
    // In-kernel copying saves the round trip through user space (and shares extents where the
    // file system can). It refuses in several ways that only mean "not here": across file
    // systems, on file systems without it, on special files; the plain loop then goes on from
    // wherever the offsets stand.
    qint64 copied = 0;
    while (copied < size) {
        const ssize_t result = ::copy_file_range(
            in, nullptr, out, nullptr, size_t(std::min<qint64>(size - copied, 1 << 30)), 0);
        if (result > 0) {
            copied += result;
            continue;
        }
        if (result == 0) {
            // Some pseudo file systems report an empty file through this call whatever they
            // hold; otherwise the file has shrunk.
            if (copied == 0)
                break;
            return false;
        }
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP
            && errno != ENOTSUP && errno != EBADF && errno != ETXTBSY && errno != EPERM)
            return false;
        break;
    }
    return readWriteCopy(in, out, size - copied);
}

// A large file goes on its way to the disk as soon as it is complete, while the next ones are
// copied, so that the sync at the end finds little left to write. Small files are left to the
// file system, which writes them out together more cheaply.
void startWriteBack(int out, qint64 size)
{
    constexpr qint64 largeFile = 4 * 1048576;
    if (size >= largeFile)
        ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
}

} // namespace

bool Platform::copyAll(int in, int out, qint64 size)
{
    if (!transfer(in, out, size))
        return false;
    startWriteBack(out, size);
    return true;
}

#include "FileDescriptor.h"
#include "RegularFileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int Platform::openRegularFile(const QString &path, qint64 limit, FinalLink link)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || name.contains('\0'))
        return -1;
    // O_NONBLOCK: opening a FIFO returns at once instead of waiting for a writer; it changes
    // nothing for the regular file that is read. O_NOCTTY: a terminal never becomes ours.
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (link == FinalLink::Refuse)
        flags |= O_NOFOLLOW;
    const int fd = ::open(name.constData(), flags);
    struct stat info;
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<QByteArray> Platform::Detail::readRegularDiskFile(const QString &path, qint64 limit,
                                                                FinalLink link)
{
    FileDescriptor fd;
    fd.reset(openRegularFile(path, limit, link));
    if (!fd.valid())
        return std::nullopt;
    // The file may grow while it is read: one byte beyond the limit tells.
    QByteArray bytes;
    qint64 filled = 0;
    while (filled <= limit) {
        if (bytes.size() == filled)
            bytes.resize(qMin(limit + 1, qMax<qint64>(4096, filled * 2)));
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > limit)
        return std::nullopt;
    bytes.truncate(filled);
    return bytes;
}

#include "FileDescriptor.h"
#include "OpenBeneath.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// glibc of this age has no wrapper. A kernel without the call says ENOSYS, a sandbox that
// filters it EPERM; either way the walk goes one folder at a time from then on.
std::atomic<bool> openat2Works {true};

int openAt(int folder, const char *name, int flags)
{
    int fd;
    do
        fd = ::openat(folder, name, flags | O_NOFOLLOW | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

int Platform::openBeneathAtOnce(int root, const QByteArray &relative, int flags)
{
    if (!openat2Works) {
        errno = ENOSYS;
        return -1;
    }
    open_how how {};
    how.flags = unsigned(flags | O_NOFOLLOW | O_CLOEXEC);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
    long fd;
    do
        fd = ::syscall(SYS_openat2, root, relative.constData(), &how, sizeof how);
    while (fd < 0 && (errno == EINTR || errno == EAGAIN));
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) {
        openat2Works = false;
        errno = ENOSYS;
    }
    return int(fd);
}

int Platform::openBeneath(int root, const QByteArray &relative, int flags)
{
    const int whole = openBeneathAtOnce(root, relative, flags);
    if (whole >= 0 || errno != ENOSYS)
        return whole;
    const QList<QByteArray> names = relative.split('/');
    FileDescriptor folder(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (qsizetype i = 0; folder.valid() && i < names.size(); ++i) {
        const QByteArray &name = names[i];
        if (name.isEmpty() || name == "." || name == "..") {
            errno = EINVAL;
            return -1;
        }
        const bool last = i + 1 == names.size();
        const int next =
            openAt(folder.get(), name.constData(), last ? flags : O_RDONLY | O_DIRECTORY);
        if (last)
            return next;
        folder.reset(next);
    }
    return -1;
}

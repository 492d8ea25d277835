#include "FolderCalls.h"
#include "platform/files/OpenBeneath.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int duplicate(int fd)
{
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

// One folder below `parent`, made a real folder first where needed. A rival that keeps
// swapping the entry could go on for ever; a few rounds then count as failure.
int openStep(int parent, const char *name)
{
    for (int round = 0; round < 4; ++round) {
        const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0)
            return fd;
        if (errno == EINTR)
            continue;
        if (errno == ENOENT) {
            if (::mkdirat(parent, name, 0777) != 0 && errno != EEXIST)
                return -1;
            continue;
        }
        if (errno != ELOOP && errno != ENOTDIR)
            return -1;
        // A link (O_NOFOLLOW refuses it) or a file: the entry itself goes, never what a link
        // points to.
        struct stat st;
        if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode)
            && ::unlinkat(parent, name, 0) != 0 && errno != ENOENT)
            return -1;
    }
    errno = ELOOP;
    return -1;
}

} // namespace

int Platform::openFolderBeneath(int root, const QByteArray &relative)
{
    if (relative.isEmpty())
        return duplicate(root);
    // The usual case: the whole tree is in place.
    const int whole = Platform::openBeneathAtOnce(root, relative, O_RDONLY | O_DIRECTORY);
    if (whole >= 0)
        return whole;
    if (errno != ELOOP && errno != ENOENT && errno != ENOTDIR && errno != EXDEV && errno != ENOSYS
        && errno != EPERM)
        return -1;
    int current = duplicate(root);
    for (const QByteArray &name : relative.split('/')) {
        if (current < 0)
            return -1;
        // The worker hands clean paths below the root; a step up would leave it.
        if (name.isEmpty() || name == "." || name == "..") {
            ::close(current);
            errno = EINVAL;
            return -1;
        }
        const int next = openStep(current, name.constData());
        const int error = errno;
        ::close(current);
        errno = error;
        current = next;
    }
    return current;
}

namespace {
// Naming a descriptor directly spares the kernel the walk through /proc, but it takes the
// privilege to look up any file, or a kernel that lets the opener of a file name it.
std::atomic<bool> emptyPathWorks {true};

Platform::LinkResult linkResult(int error)
{
    switch (error) {
    case EEXIST:
        return Platform::LinkResult::Exists;
    case EOPNOTSUPP:
    case EPERM:
        return Platform::LinkResult::Unsupported;
    default:
        return Platform::LinkResult::Failed;
    }
}
} // namespace

Platform::LinkResult Platform::nameAnonymousFile(int fd, int folder, const char *name)
{
    if (emptyPathWorks) {
        if (::linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0)
            return LinkResult::Linked;
        // Without the privilege the empty name is looked up as it is, and is not found.
        if (errno != ENOENT)
            return linkResult(errno);
    }
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, procPath.constData(), folder, name, AT_SYMLINK_FOLLOW) == 0) {
        emptyPathWorks = false;
        return LinkResult::Linked;
    }
    const int error = errno;
    if (error == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
        return LinkResult::Unsupported; // neither way is open
    return linkResult(error);
}

bool Platform::renameNoReplace(int fromFolder, const char *from, int toFolder, const char *to)
{
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // A hard link never replaces either; the temporary name then goes.
    if (::linkat(fromFolder, from, toFolder, to, 0) == 0) {
        ::unlinkat(fromFolder, from, 0);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    // A file system without hard links (FAT): the name was cleared just before, so the check
    // only guards against a name that turned up meanwhile.
    struct stat existing;
    if (::fstatat(toFolder, to, &existing, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(fromFolder, from, toFolder, to) == 0;
}

bool Platform::clearName(int folder, const char *name)
{
    struct stat st;
    if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    // Write permission on a file does not matter for its removal, and a link goes as itself.
    return !S_ISDIR(st.st_mode) && (::unlinkat(folder, name, 0) == 0 || errno == ENOENT);
}

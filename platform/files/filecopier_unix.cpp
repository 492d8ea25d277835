#include "FileCopier.h"
#include "PartialFiles.h"
#include "WriteAll.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// QFile::copy makes every file durable on its own (an fdatasync per file), which costs more than
// the copying itself on a tree of many small files. Here a file is written into an anonymous or
// hidden temporary beside its target and only gets its name once it is complete; durability
// comes from one file system sync at the end of the run.

namespace {

// Closes on every way out; a descriptor of -1 holds nothing.
class Fd
{
public:
    explicit Fd(int fd = -1)
        : fd(fd)
    { }
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    // close() reports late write errors on some file systems (NFS), so it counts as part of the
    // copy.
    bool close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};

int openRetrying(const char *path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

QByteArray parentOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

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

bool copyContents(int in, int out, off_t sourceSize)
{
    if (!transfer(in, out, sourceSize))
        return false;
    startWriteBack(out, sourceSize);
    return true;
}

// Gives the complete anonymous file its name; never replaces an existing one.
enum class LinkResult { Linked, Failed, Unsupported };

LinkResult linkAnonymous(int fd, const QByteArray &target)
{
#ifdef __linux__
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW)
        == 0)
        return LinkResult::Linked;
    const int error = errno;
    if (error != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return error == EOPNOTSUPP || error == EPERM ? LinkResult::Unsupported : LinkResult::Failed;
    // Without /proc mounted the descriptor can still be named directly, given the privilege.
    if (::linkat(fd, "", AT_FDCWD, target.constData(), AT_EMPTY_PATH) == 0)
        return LinkResult::Linked;
    return errno == EEXIST || errno == ENOSPC || errno == EDQUOT || errno == ENOENT
        ? LinkResult::Failed
        : LinkResult::Unsupported;
#else
    Q_UNUSED(fd);
    Q_UNUSED(target);
    return LinkResult::Unsupported;
#endif
}

bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
#ifdef __linux__
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
#endif
    // A hard link never replaces either; the temporary name then goes.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    // A file system without hard links (FAT): the worker has cleared the name before copying,
    // so the check only guards against a caller that did not.
    struct stat existing;
    if (::lstat(to.constData(), &existing) == 0 || errno != ENOENT) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

} // namespace

struct Platform::FileCopier::Private
{
    ~Private()
    {
        for (const auto &device : devices)
            ::close(device.second);
    }

    // Once a target folder has refused anonymous files, the rest of the run uses hidden names.
    bool anonymousUnsupported = false;
    // A folder on every file system written to, held open from the first file on: a sync
    // reports the write-back errors that happened since the descriptor was opened.
    std::vector<std::pair<dev_t, int>> devices;
    QByteArray lastFolder;
    // Folders cleared of the named temporaries that a killed run may have left.
    std::set<QByteArray> sweptFolders;
    QByteArray lastSwept;
    // Without syncfs, each file is flushed by itself at the end.
    std::vector<QByteArray> written;

    bool copyAnonymous(int in, off_t size, mode_t mode, const QByteArray &target, bool &fallBack);
    bool copyHidden(int in, off_t size, mode_t mode, const QByteArray &target);
    void remember(int out, const QByteArray &target);
    void sweep(const QByteArray &target);
};

void Platform::FileCopier::Private::sweep(const QByteArray &target)
{
    QByteArray folder = parentOf(target);
    if (folder == lastSwept)
        return;
    if (sweptFolders.insert(folder).second)
        Platform::removePartialFiles(QFile::decodeName(folder));
    lastSwept = std::move(folder);
}

void Platform::FileCopier::Private::remember(int out, const QByteArray &target)
{
    // Files come folder by folder, and only a new folder can be on another file system.
    QByteArray folder = parentOf(target);
    struct stat st;
    if (folder != lastFolder && ::fstat(out, &st) == 0
        && std::none_of(devices.begin(), devices.end(),
                        [&](const auto &device) { return device.first == st.st_dev; })) {
        const int fd = openRetrying(folder.constData(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0)
            devices.emplace_back(st.st_dev, fd);
    }
    lastFolder = std::move(folder);
#ifndef __linux__
    written.push_back(target);
#endif
}

bool Platform::FileCopier::Private::copyAnonymous(int in, off_t size, mode_t mode,
                                                  const QByteArray &target, bool &fallBack)
{
    fallBack = false;
#ifdef O_TMPFILE
    // Created with the source's bits, which the umask or a default ACL may have trimmed; an
    // fstat to find out is cheaper than an unconditional fchmod, which dirties the inode.
    Fd out(openRetrying(parentOf(target).constData(), O_TMPFILE | O_WRONLY, mode));
    if (!out.valid()) {
        // EISDIR comes from kernels that do not know the flag at all.
        fallBack = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
        return false;
    }
    struct stat created;
    if (::fstat(out.get(), &created) != 0
        || ((created.st_mode & 0777) != mode && ::fchmod(out.get(), mode) != 0))
        return false;
    if (!copyContents(in, out.get(), size))
        return false; // the anonymous file goes with its descriptor
    switch (linkAnonymous(out.get(), target)) {
    case LinkResult::Linked:
        remember(out.get(), target);
        return out.close();
    case LinkResult::Failed:
        return false;
    case LinkResult::Unsupported:
        fallBack = true;
        return false;
    }
    return false;
#else
    Q_UNUSED(in);
    Q_UNUSED(size);
    Q_UNUSED(mode);
    Q_UNUSED(target);
    fallBack = true;
    return false;
#endif
}

bool Platform::FileCopier::Private::copyHidden(int in, off_t size, mode_t mode,
                                               const QByteArray &target)
{
    // Not derived from the target's name, which may already be as long as a name can be.
    QByteArray temporary = parentOf(target) + '/' + Platform::partialFilePrefix + "XXXXXX";
    Fd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid())
        return false;
    const bool complete = copyContents(in, out.get(), size) && ::fchmod(out.get(), mode) == 0;
    if (complete)
        remember(out.get(), target);
    if (out.close() && complete && renameNoReplace(temporary, target))
        return true;
    const int error = errno;
    ::unlink(temporary.constData());
    errno = error;
    return false;
}

Platform::FileCopier::FileCopier()
    : d(std::make_unique<Private>())
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    const QByteArray targetName = QFile::encodeName(target);
    Fd in(openRetrying(QFile::encodeName(source).constData(), O_RDONLY));
    struct stat st;
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    const mode_t mode = st.st_mode & 0777;
    if (size)
        *size = st.st_size;
    d->sweep(targetName);

    if (!d->anonymousUnsupported) {
        bool fallBack = false;
        if (d->copyAnonymous(in.get(), st.st_size, mode, targetName, fallBack))
            return true;
        if (!fallBack)
            return false;
        d->anonymousUnsupported = true;
        if (::lseek(in.get(), 0, SEEK_SET) != 0)
            return false;
    }
    return d->copyHidden(in.get(), st.st_size, mode, targetName);
}

bool Platform::FileCopier::sync(const QString &targetRoot)
{
    bool ok = true;
    const QByteArray root = QFile::encodeName(targetRoot);
#ifdef __linux__
    Fd rootFd(openRetrying(root.constData(), O_RDONLY | O_DIRECTORY));
    ok = rootFd.valid() && ::syncfs(rootFd.get()) == 0;
    for (const auto &device : d->devices)
        ok = ::syncfs(device.second) == 0 && ok;
#else
    // Each new name lives in its folder, and each new folder in its parent up to the root.
    std::set<QByteArray> folders {root};
    for (const QByteArray &file : d->written) {
        Fd fd(openRetrying(file.constData(), O_RDONLY));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
        for (QByteArray folder = parentOf(file); folder.size() > root.size();
             folder = parentOf(folder))
            folders.insert(folder);
    }
    for (const QByteArray &folder : folders) {
        Fd fd(openRetrying(folder.constData(), O_RDONLY));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
    }
#endif
    for (const auto &device : d->devices)
        ::close(device.second);
    d->devices.clear();
    d->lastFolder.clear();
    d->written.clear();
    d->sweptFolders.clear();
    d->lastSwept.clear();
    return ok;
}

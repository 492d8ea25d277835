#include "FileCopier.h"
#include "FolderDescriptors.h"
#include "PartialFiles.h"
#include "platform/files/WriteAll.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// QFile::copy makes every file durable on its own (an fdatasync per file), which costs more than
// the copying itself on a tree of many small files. Here a file is written into an anonymous or
// hidden temporary beside its target and only gets its name once it is complete; durability
// comes from one file system sync at the end of the run. Every name below the root is made,
// renamed and removed relative to a descriptor of its folder, reached from the root without
// following links: a folder swapped for a link meanwhile leads nowhere outside the tree.

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
    void reset(int other = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = other;
    }
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

// The folder part and the name of a path relative to the root.
std::pair<QByteArray, QByteArray> splitName(const QByteArray &relative)
{
    const int slash = relative.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray(), relative};
    return {relative.left(slash), relative.mid(slash + 1)};
}

} // namespace

struct Platform::FileCopier::Private
{
    explicit Private(const QString &root)
        : rootPath(QFile::encodeName(root))
    { }
    ~Private() { forget(); }

    QByteArray rootPath;
    // The root is opened (through a link if it is one) when first needed, and held to the end.
    Fd root;
    // The folder of the last file, held while files of the same folder follow.
    QByteArray folderName;
    Fd folder;
    bool folderDeviceKnown = false;
    // Once a target folder has refused anonymous files, the rest of the run uses hidden names.
    bool anonymousUnsupported = false;
    // A folder on every file system written to, held open from the first file on: a sync
    // reports the write-back errors that happened since the descriptor was opened.
    std::vector<std::pair<dev_t, int>> devices;
    // Folders cleared of the named temporaries that a killed run may have left.
    std::set<QByteArray> sweptFolders;
    // Without syncfs, each file is flushed by itself at the end (relative to the root).
    std::vector<QByteArray> written;

    bool openRoot();
    bool relativeOf(const QString &path, QByteArray &relative) const;
    int enter(const QByteArray &relative);
    bool copyAnonymous(int in, off_t size, mode_t mode, const char *name, bool &fallBack);
    bool copyHidden(int in, off_t size, mode_t mode, const char *name);
    void remember(int out, const char *name);
    void forget();
};

bool Platform::FileCopier::Private::openRoot()
{
    if (!root.valid())
        root.reset(openRetrying(rootPath.constData(), O_RDONLY | O_DIRECTORY));
    return root.valid();
}

bool Platform::FileCopier::Private::relativeOf(const QString &path, QByteArray &relative) const
{
    const QByteArray name = QFile::encodeName(path);
    if (name == rootPath) {
        relative.clear();
        return true;
    }
    if (!name.startsWith(rootPath + '/'))
        return false;
    relative = name.mid(rootPath.size() + 1);
    return !relative.isEmpty();
}

// The descriptor of the folder `relative` below the root, held until another one is needed.
int Platform::FileCopier::Private::enter(const QByteArray &relative)
{
    if (folder.valid() && relative == folderName)
        return folder.get();
    folder.reset();
    if (!openRoot())
        return -1;
    folder.reset(Platform::openFolderBeneath(root.get(), relative));
    if (!folder.valid())
        return -1;
    folderName = relative;
    folderDeviceKnown = false;
    if (sweptFolders.insert(relative).second)
        Platform::removePartialFilesIn(folder.get());
    return folder.get();
}

void Platform::FileCopier::Private::remember(int out, const char *name)
{
    // Files come folder by folder, and only a new folder can be on another file system.
    struct stat st;
    if (!folderDeviceKnown && ::fstat(out, &st) == 0
        && std::none_of(devices.begin(), devices.end(),
                        [&](const auto &device) { return device.first == st.st_dev; })) {
        const int fd = ::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0);
        if (fd >= 0)
            devices.emplace_back(st.st_dev, fd);
    }
    folderDeviceKnown = true;
#ifndef __linux__
    written.push_back(folderName.isEmpty() ? QByteArray(name) : folderName + '/' + name);
#else
    Q_UNUSED(name);
#endif
}

void Platform::FileCopier::Private::forget()
{
    for (const auto &device : devices)
        ::close(device.second);
    devices.clear();
    folder.reset();
    folderName.clear();
    written.clear();
    sweptFolders.clear();
}

bool Platform::FileCopier::Private::copyAnonymous(int in, off_t size, mode_t mode, const char *name,
                                                  bool &fallBack)
{
    fallBack = false;
#ifdef O_TMPFILE
    // Created with the source's bits, which the umask or a default ACL may have trimmed; an
    // fstat to find out is cheaper than an unconditional fchmod, which dirties the inode.
    Fd out;
    do
        out.reset(::openat(folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    while (!out.valid() && errno == EINTR);
    if (!out.valid()) {
        // EISDIR comes from kernels that do not know the flag at all.
        fallBack = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
        return false;
    }
    struct stat created;
    if (::fstat(out.get(), &created) != 0
        || ((created.st_mode & 0777) != mode && ::fchmod(out.get(), mode) != 0))
        return false;
    if (!Platform::copyAll(in, out.get(), size))
        return false; // the anonymous file goes with its descriptor
    switch (Platform::nameAnonymousFile(out.get(), folder.get(), name)) {
    case Platform::LinkResult::Linked:
        remember(out.get(), name);
        return out.close();
    case Platform::LinkResult::Failed:
        return false;
    case Platform::LinkResult::Unsupported:
        fallBack = true;
        return false;
    }
    return false;
#else
    Q_UNUSED(in);
    Q_UNUSED(size);
    Q_UNUSED(mode);
    Q_UNUSED(name);
    fallBack = true;
    return false;
#endif
}

bool Platform::FileCopier::Private::copyHidden(int in, off_t size, mode_t mode, const char *name)
{
    // Not derived from the target's name, which may already be as long as a name can be.
    QByteArray temporary;
    Fd out;
    for (int attempt = 0; attempt < 8 && !out.valid(); ++attempt) {
        temporary = QFile::encodeName(Platform::partialFileName());
        out.reset(::openat(folder.get(), temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid() && errno != EEXIST && errno != EINTR)
            return false;
    }
    if (!out.valid())
        return false;
    const bool complete = Platform::copyAll(in, out.get(), size) && ::fchmod(out.get(), mode) == 0;
    if (complete)
        remember(out.get(), name);
    if (out.close() && complete
        && Platform::renameNoReplace(folder.get(), temporary.constData(), name))
        return true;
    const int error = errno;
    ::unlinkat(folder.get(), temporary.constData(), 0);
    errno = error;
    return false;
}

Platform::FileCopier::FileCopier(const QString &targetRoot)
    : d(std::make_unique<Private>(targetRoot))
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::makeFolder(const QString &folder)
{
    QByteArray relative;
    if (!d->relativeOf(folder, relative))
        return false;
    if (relative.isEmpty() && !makeRoot(folder))
        return false;
    return d->enter(relative) >= 0;
}

bool Platform::FileCopier::clear(const QString &target)
{
    QByteArray relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return false;
    const auto [folderName, name] = splitName(relative);
    const int folder = d->enter(folderName);
    struct stat st;
    if (folder < 0)
        return false;
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    // Write permission on a file does not matter for its removal, and a link goes as itself.
    return !S_ISDIR(st.st_mode)
        && (::unlinkat(folder, name.constData(), 0) == 0 || errno == ENOENT);
}

bool Platform::FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    QByteArray relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return false;
    const auto [folderName, name] = splitName(relative);
    Fd in(openRetrying(QFile::encodeName(source).constData(), O_RDONLY));
    struct stat st;
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    const mode_t mode = st.st_mode & 0777;
    if (size)
        *size = st.st_size;
    if (d->enter(folderName) < 0)
        return false;

    if (!d->anonymousUnsupported) {
        bool fallBack = false;
        if (d->copyAnonymous(in.get(), st.st_size, mode, name.constData(), fallBack))
            return true;
        if (!fallBack)
            return false;
        d->anonymousUnsupported = true;
        if (::lseek(in.get(), 0, SEEK_SET) != 0)
            return false;
    }
    return d->copyHidden(in.get(), st.st_size, mode, name.constData());
}

bool Platform::FileCopier::sync()
{
    if (!d->openRoot())
        return false;
    bool ok = true;
#ifdef __linux__
    ok = ::syncfs(d->root.get()) == 0;
    for (const auto &device : d->devices)
        ok = ::syncfs(device.second) == 0 && ok;
#else
    // Each new name lives in its folder, and each new folder in its parent up to the root.
    std::set<QByteArray> folders {QByteArray()};
    for (const QByteArray &file : d->written) {
        Fd fd(::openat(d->root.get(), file.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
        for (QByteArray folder = splitName(file).first; !folder.isEmpty();
             folder = splitName(folder).first)
            folders.insert(folder);
    }
    for (const QByteArray &folder : folders) {
        Fd fd(folder.isEmpty() ? ::dup(d->root.get())
                               : ::openat(d->root.get(), folder.constData(),
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
    }
#endif
    d->forget();
    return ok;
}

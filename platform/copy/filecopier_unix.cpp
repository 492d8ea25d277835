#include "FileCopier.h"
#include "FolderDescriptors.h"
#include "PartialFiles.h"
#include "platform/files/OpenBeneath.h"
#include "platform/files/WriteAll.h"
#include "platform/walk/DataTree.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// QFile::copy makes every file durable on its own (an fdatasync per file), which costs more than
// the copying itself on a tree of many small files. Here a file is written into an anonymous or
// hidden temporary beside its target and only gets its name once it is complete; durability
// comes from one file system sync at the end of the run. Every name below the root is made,
// renamed and removed relative to a descriptor of its folder, reached from the root without
// following links: a folder swapped for a link meanwhile leads nowhere outside the tree. Sources
// are opened the same way below the data tree's descriptor, and read only as far as the walk
// counted.

namespace {

using Platform::FileDescriptor;

enum class Source { Opened, Failed, Changed };

// The data file `relative` as itself: never through a link, never out of the tree, never waiting
// on a FIFO, and still the regular file of the `size` bytes the walk counted (-1: not counted).
Source openSource(const Platform::DataTree &tree, const QByteArray &relative, qint64 size,
                  FileDescriptor &in, mode_t &mode)
{
    if (size < 0)
        return Source::Changed;
    in.reset(Platform::openBeneath(int(tree.handle()), relative, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!in.valid())
        return errno == ELOOP || errno == ENOTDIR || errno == EXDEV || errno == EINVAL
            ? Source::Changed
            : Source::Failed;
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return Source::Failed;
    if (!S_ISREG(st.st_mode) || st.st_size != size)
        return Source::Changed;
    mode = st.st_mode & 0777;
    return Source::Opened;
}

// Gives a copy the permission bits of its source. File systems without Unix modes (FAT, exFAT,
// NTFS mounts) refuse most changes, and the file installs all the same: read-only if its source
// was, where the file system can say so, and otherwise as the file system makes its files.
bool setMode(int fd, mode_t mode, mode_t created)
{
    if (::fchmod(fd, mode) == 0)
        return true;
    if (errno != EPERM && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP)
        return false;
    if (!(mode & 0222))
        ::fchmod(fd, created & 0777 & ~mode_t(0222));
    return true;
}

} // namespace

struct Platform::FileCopier::Private
{
    Private(const DataTree &source, const QString &root)
        : source(source)
        , rootPath(QFile::encodeName(root))
        , folders(rootPath)
    { }

    const DataTree &source;
    const QByteArray rootPath;
    HeldFolders folders;
    // Once a target folder has refused anonymous files, the rest of the run uses hidden names.
    std::atomic<bool> anonymousUnsupported {false};
    // On the one thread that gives names: the folder they are given in, and without syncfs the
    // files named since the last sync.
    QByteArray placingName;
    FileDescriptor placing;
    // Whether clear() has just found the folder, for the place() that follows it.
    bool cleared = false;
    std::vector<QByteArray> written;

    bool relativeOf(const QString &path, QByteArray &relative) const;
    int enterForPlacing(const QByteArray &relative, bool found);
    bool write(StagedFile::Private &file, int in);
    bool writeAnonymous(StagedFile::Private &file, int in, bool &fallBack);
    bool writeHidden(StagedFile::Private &file, int in);
    bool rewriteHidden(StagedFile::Private &file, int folder);
};

// A file written into a temporary in a held folder: an anonymous one while its descriptor is
// open, else one with a hidden name.
struct Platform::StagedFile::Private
{
    explicit Private(FileCopier::Private *copier)
        : copier(copier)
    { }
    ~Private()
    {
        if (!temporary.isEmpty())
            ::unlinkat(folder, temporary.constData(), 0);
        anonymous.reset(); // an anonymous file goes with its descriptor
        copier->folders.release(folderName);
    }
    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;

    FileCopier::Private *copier;
    QByteArray source;
    QByteArray folderName;
    int folder = -1;
    QByteArray name;
    mode_t mode = 0;
    qint64 size = 0;
    FileDescriptor anonymous;
    QByteArray temporary;
};

Platform::StagedFile::StagedFile() = default;
Platform::StagedFile::~StagedFile() = default;
Platform::StagedFile::StagedFile(StagedFile &&other) noexcept = default;
Platform::StagedFile &Platform::StagedFile::operator=(StagedFile &&other) noexcept = default;

qint64 Platform::StagedFile::size() const
{
    return d ? d->size : 0;
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

// Names are given, and cleared, in the folder found at its path as each file's turn comes, which
// may not be the one its file was copied into ahead, nor the one the file before it went to: a
// folder may have been moved aside and a link put in its place meanwhile. The link then goes as
// itself, and the file still gets its name where it belongs. clear() finds the folder, place()
// right after it for the same file uses what clear() found.
int Platform::FileCopier::Private::enterForPlacing(const QByteArray &relative, bool found)
{
    if (!found || !placing.valid() || relative != placingName) {
        placing.reset(folders.openNow(relative));
        placingName = relative;
    }
    return placing.get();
}

bool Platform::FileCopier::Private::write(StagedFile::Private &file, int in)
{
    if (!anonymousUnsupported) {
        bool fallBack = false;
        if (writeAnonymous(file, in, fallBack))
            return true;
        if (!fallBack)
            return false;
        anonymousUnsupported = true;
        if (::lseek(in, 0, SEEK_SET) != 0)
            return false;
    }
    return writeHidden(file, in);
}

bool Platform::FileCopier::Private::writeAnonymous(StagedFile::Private &file, int in,
                                                   bool &fallBack)
{
    fallBack = false;
#ifdef O_TMPFILE
    // Created with the source's bits, which the umask or a default ACL may have trimmed; an
    // fstat to find out is cheaper than an unconditional fchmod, which dirties the inode.
    FileDescriptor &out = file.anonymous;
    do
        out.reset(::openat(file.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, file.mode));
    while (!out.valid() && errno == EINTR);
    if (!out.valid()) {
        // EISDIR comes from kernels that do not know the flag at all.
        fallBack = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
        return false;
    }
    struct stat created;
    return ::fstat(out.get(), &created) == 0
        && ((created.st_mode & 0777) == file.mode || setMode(out.get(), file.mode, created.st_mode))
        && Platform::copyAll(in, out.get(), file.size);
#else
    Q_UNUSED(file);
    Q_UNUSED(in);
    fallBack = true;
    return false;
#endif
}

bool Platform::FileCopier::Private::writeHidden(StagedFile::Private &file, int in)
{
    // Not derived from the target's name, which may already be as long as a name can be.
    FileDescriptor out;
    for (int attempt = 0; attempt < 8 && !out.valid(); ++attempt) {
        file.temporary = QFile::encodeName(Platform::partialFileName());
        out.reset(::openat(file.folder, file.temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid() && errno != EEXIST && errno != EINTR)
            break;
    }
    if (!out.valid()) {
        file.temporary.clear();
        return false;
    }
    const bool complete =
        Platform::copyAll(in, out.get(), file.size) && setMode(out.get(), file.mode, 0600);
    return out.close() && complete;
}

// A file system that refused to name an anonymous file only when it was done gets the file
// again under a hidden name, which then moves to `folder`.
bool Platform::FileCopier::Private::rewriteHidden(StagedFile::Private &file, int folder)
{
    anonymousUnsupported = true;
    file.anonymous.reset();
    FileDescriptor in;
    mode_t mode;
    if (openSource(source, file.source, file.size, in, mode) != Source::Opened)
        return false;
    return writeHidden(file, in.get())
        && Platform::renameNoReplace(file.folder, file.temporary.constData(), folder,
                                     file.name.constData());
}

Platform::FileCopier::FileCopier(const DataTree &source, const QString &targetRoot)
    : d(std::make_unique<Private>(source, targetRoot))
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::makeFolder(const QString &folder)
{
    QByteArray relative;
    if (!d->relativeOf(folder, relative))
        return false;
    if (relative.isEmpty() && !makeRoot(folder))
        return false;
    if (d->folders.acquire(relative) < 0)
        return false;
    d->folders.release(relative);
    return true;
}

bool Platform::FileCopier::clear(const QString &target)
{
    QByteArray relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return false;
    const auto [folderName, name] = Platform::folderAndName(relative);
    const int folder = d->enterForPlacing(folderName, false);
    struct stat st;
    d->cleared = folder >= 0;
    if (folder < 0)
        return false;
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    // Write permission on a file does not matter for its removal, and a link goes as itself.
    return !S_ISDIR(st.st_mode)
        && (::unlinkat(folder, name.constData(), 0) == 0 || errno == ENOENT);
}

Platform::StagedFile Platform::FileCopier::stage(const QString &source, const QString &target)
{
    StagedFile file;
    QByteArray relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return file;
    auto [folderName, name] = Platform::folderAndName(relative);
    const QByteArray sourceName = QFile::encodeName(source);
    const qint64 size = d->source.sizeOf(source);
    FileDescriptor in;
    mode_t mode = 0;
    switch (openSource(d->source, sourceName, size, in, mode)) {
    case Source::Opened:
        break;
    case Source::Failed:
        return file;
    case Source::Changed:
        file.changed = true;
        return file;
    }
    const int folder = d->folders.acquire(folderName);
    if (folder < 0)
        return file;
    auto staged = std::make_unique<StagedFile::Private>(d.get());
    staged->source = sourceName;
    staged->folderName = std::move(folderName);
    staged->folder = folder;
    staged->name = std::move(name);
    staged->mode = mode;
    staged->size = size;
    if (d->write(*staged, in.get()))
        file.d = std::move(staged);
    return file;
}

bool Platform::FileCopier::place(StagedFile &file)
{
    if (!file.ok())
        return false;
    StagedFile::Private &staged = *file.d;
    const int folder = d->enterForPlacing(staged.folderName, std::exchange(d->cleared, false));
    bool placed = false;
    if (folder < 0) {
        // nothing to give a name in
    } else if (staged.anonymous.valid()) {
        switch (
            Platform::nameAnonymousFile(staged.anonymous.get(), folder, staged.name.constData())) {
        case Platform::LinkResult::Linked:
            placed = staged.anonymous.close();
            break;
        case Platform::LinkResult::Failed:
            break;
        case Platform::LinkResult::Unsupported:
            placed = d->rewriteHidden(staged, folder);
            break;
        }
    } else {
        placed = Platform::renameNoReplace(staged.folder, staged.temporary.constData(), folder,
                                           staged.name.constData());
    }
    if (placed) {
        staged.temporary.clear(); // it is the file now
#ifndef __linux__
        d->written.push_back(staged.folderName.isEmpty() ? staged.name
                                                         : staged.folderName + '/' + staged.name);
#endif
    }
    file.d.reset();
    return placed;
}

bool Platform::FileCopier::sync()
{
    d->placing.reset();
    const bool ok = d->folders.sync(d->written);
    d->written.clear();
    return ok;
}

bool Platform::FileCopier::rootInPlace()
{
    return d->folders.rootInPlace();
}

int Platform::FileCopier::parallelCopies(const QString &folder)
{
    // The kernel's flag for rotating disks cannot tell: virtual disks, where many installs run,
    // call themselves rotating whatever lies beneath. Writes land in the page cache first and go
    // to the disk at the end's sync, in the order the system chooses, so parallel copies cost a
    // rotating disk little; and a copy waits on the system more than on the processor.
    Q_UNUSED(folder);
    return std::clamp(int(std::thread::hardware_concurrency()) * 2, 2, 8);
}

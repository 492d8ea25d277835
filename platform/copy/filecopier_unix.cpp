#include "FileCopier.h"
#include "FolderCalls.h"
#include "HeldFolders.h"
#include "NamingFolder.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/OpenBeneath.h"
#include "platform/files/PartialFiles.h"
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

// QFile::copy makes every file durable on its own (an fdatasync per file), which costs more than
// the copying itself on a tree of many small files. Here a file is written into an anonymous or
// hidden temporary beside its target and only gets its name once it is complete; durability
// comes from one sync of each file system at the end of the run. Every name below the root is
// made, renamed and removed relative to a descriptor of its folder, reached from the root without
// following links: a folder swapped for a link meanwhile leads nowhere outside the tree. Sources
// are opened the same way below the data tree's descriptor, and read only as far as the walk
// counted.

namespace {

using Platform::FileDescriptor;

enum class Source { Opened, Failed, Changed };

// The data file `relative` as itself: never through a link, never out of the tree, never waiting
// on a FIFO, and still the regular file the walk counted, of as many bytes. A folder of the data
// moved away and another put in its place since the walk holds other files under the same names.
Source openSource(const Platform::DataTree &tree, const QByteArray &relative,
                  const Platform::CountedFile &counted, FileDescriptor &in, mode_t &mode)
{
    if (counted.size < 0)
        return Source::Changed;
    in.reset(Platform::openBeneath(int(tree.handle()), relative, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!in.valid())
        return errno == ELOOP || errno == ENOTDIR || errno == EXDEV || errno == EINVAL
            ? Source::Changed
            : Source::Failed;
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return Source::Failed;
    if (!S_ISREG(st.st_mode) || st.st_size != counted.size
        || counted.identity != Platform::FileIdentity {quint64(st.st_dev), quint64(st.st_ino)})
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
        , root(root)
        , folders(root)
        , naming(folders)
    { }

    const DataTree &source;
    const QString root;
    HeldFolders folders;
    NamingFolder naming; // the worker's
    // Once a target folder has refused anonymous files, the rest of the run uses hidden names.
    std::atomic<bool> anonymousUnsupported {false};

    bool relativeOf(const QString &path, QString &relative) const;
    bool write(StagedFile::Private &file, int in);
    bool writeAnonymous(StagedFile::Private &file, int in, bool &fallBack);
    bool writeHidden(StagedFile::Private &file, int in);
    bool rewriteHidden(StagedFile::Private &file, int folder);
    enum class Placed { Named, Failed, NameTaken };
    Placed place(StagedFile::Private &file, int folder);
};

// A file written into a temporary in a held folder: an anonymous one while its descriptor is
// open, else one with a hidden name.
struct Platform::StagedFile::Private
{
    Private() = default;
    ~Private()
    {
        if (!temporary.isEmpty())
            ::unlinkat(int(folder.handle()), temporary.constData(), 0);
        // An anonymous file goes with its descriptor, and the folder's token after it.
    }
    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;

    HeldFolder folder;
    QByteArray source;
    QByteArray name;
    mode_t mode = 0;
    Platform::CountedFile counted;
    FileDescriptor anonymous;
    QByteArray temporary;
};

Platform::StagedFile::StagedFile() = default;
Platform::StagedFile::~StagedFile() = default;
Platform::StagedFile::StagedFile(StagedFile &&other) noexcept = default;
Platform::StagedFile &Platform::StagedFile::operator=(StagedFile &&other) noexcept = default;

qint64 Platform::StagedFile::size() const
{
    return d ? d->counted.size : 0;
}

bool Platform::FileCopier::Private::relativeOf(const QString &path, QString &relative) const
{
    if (path == root) {
        relative.clear();
        return true;
    }
    if (!path.startsWith(root) || path.size() <= root.size() + 1
        || path[root.size()] != QLatin1Char('/'))
        return false;
    relative = path.mid(root.size() + 1);
    return true;
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
    // Created with the source's bits, which the umask or a default ACL may have trimmed; an
    // fstat to find out is cheaper than an unconditional fchmod, which dirties the inode.
    fallBack = false;
    FileDescriptor &out = file.anonymous;
    do
        out.reset(
            ::openat(int(file.folder.handle()), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, file.mode));
    while (!out.valid() && errno == EINTR);
    if (!out.valid()) {
        // EISDIR comes from kernels that do not know the flag at all.
        fallBack = errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
        return false;
    }
    struct stat created;
    return ::fstat(out.get(), &created) == 0
        && ((created.st_mode & 0777) == file.mode || setMode(out.get(), file.mode, created.st_mode))
        && Platform::copyAll(in, out.get(), file.counted.size);
}

bool Platform::FileCopier::Private::writeHidden(StagedFile::Private &file, int in)
{
    // Not derived from the target's name, which may already be as long as a name can be.
    FileDescriptor out;
    for (int attempt = 0; attempt < 8 && !out.valid(); ++attempt) {
        file.temporary = QFile::encodeName(Platform::partialFileName());
        out.reset(::openat(int(file.folder.handle()), file.temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.valid() && errno != EEXIST && errno != EINTR)
            break;
    }
    if (!out.valid()) {
        file.temporary.clear();
        return false;
    }
    const bool complete =
        Platform::copyAll(in, out.get(), file.counted.size) && setMode(out.get(), file.mode, 0600);
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
    if (openSource(source, file.source, file.counted, in, mode) != Source::Opened)
        return false;
    return writeHidden(file, in.get())
        && Platform::renameNoReplace(int(file.folder.handle()), file.temporary.constData(), folder,
                                     file.name.constData());
}

// Gives a staged file its name in `folder` without replacing anything.
Platform::FileCopier::Private::Placed
Platform::FileCopier::Private::place(StagedFile::Private &file, int folder)
{
    const char *name = file.name.constData();
    if (!file.anonymous.valid()) {
        if (Platform::renameNoReplace(int(file.folder.handle()), file.temporary.constData(), folder,
                                      name))
            return Placed::Named;
        return errno == EEXIST ? Placed::NameTaken : Placed::Failed;
    }
    switch (Platform::nameAnonymousFile(file.anonymous.get(), folder, name)) {
    case Platform::LinkResult::Linked:
        return file.anonymous.close() ? Placed::Named : Placed::Failed;
    case Platform::LinkResult::Exists:
        return Placed::NameTaken;
    case Platform::LinkResult::Failed:
        return Placed::Failed;
    case Platform::LinkResult::Unsupported:
        break;
    }
    if (rewriteHidden(file, folder))
        return Placed::Named;
    return errno == EEXIST ? Placed::NameTaken : Placed::Failed;
}

Platform::FileCopier::FileCopier(const DataTree &source, const QString &targetRoot)
    : d(std::make_unique<Private>(source, targetRoot))
{ }

Platform::FileCopier::~FileCopier() = default;

bool Platform::FileCopier::makeFolder(const QString &folder)
{
    QString relative;
    return d->relativeOf(folder, relative) && (!relative.isEmpty() || makeRoot(folder))
        && d->folders.acquire(relative).valid();
}

Platform::StagedFile Platform::FileCopier::stage(const QString &source, const QString &target)
{
    StagedFile file;
    QString relative;
    if (!d->relativeOf(target, relative) || relative.isEmpty())
        return file;
    const QByteArray sourceName = QFile::encodeName(source);
    const CountedFile counted = d->source.counted(source);
    FileDescriptor in;
    mode_t mode = 0;
    switch (openSource(d->source, sourceName, counted, in, mode)) {
    case Source::Opened:
        break;
    case Source::Failed:
        return file;
    case Source::Changed:
        file.changed = true;
        return file;
    }
    const auto [folderName, name] = HeldFolders::folderAndName(relative);
    auto staged = std::make_unique<StagedFile::Private>();
    staged->folder = d->folders.acquire(folderName);
    if (!staged->folder.valid())
        return file;
    staged->source = sourceName;
    staged->name = QFile::encodeName(name);
    staged->mode = mode;
    staged->counted = counted;
    if (d->write(*staged, in.get()))
        file.d = std::move(staged);
    return file;
}

// The name is given in the folder found at its path as the file's turn comes, which may not be
// the one the file was copied into ahead: a folder may have been moved aside and a link put in its
// place meanwhile. The link then goes as itself, and the file still gets its name where it
// belongs. Naming never replaces, so what stands at the name is looked at only when naming finds
// something there: on a fresh install that is never.
bool Platform::FileCopier::replace(StagedFile &file)
{
    if (!file.ok())
        return false;
    const std::unique_ptr<StagedFile::Private> staged = std::move(file.d);
    const HeldFolder &folder = d->naming.at(staged->folder.relative());
    if (!folder.valid())
        return false;
    const int fd = int(folder.handle());
    const char *name = staged->name.constData();
    for (bool cleared = false;; cleared = true) {
        switch (d->place(*staged, fd)) {
        case Private::Placed::Named:
            staged->temporary.clear(); // it is the file now
            return true;
        case Private::Placed::Failed:
            return false;
        case Private::Placed::NameTaken:
            if (cleared || !Platform::clearName(fd, name))
                return false;
            break;
        }
    }
}

bool Platform::FileCopier::sync()
{
    return d->folders.sync();
}

bool Platform::FileCopier::rootInPlace()
{
    return d->folders.rootInPlace();
}

std::optional<QString> Platform::FileCopier::folderMovedAside()
{
    return d->naming.movedAside();
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

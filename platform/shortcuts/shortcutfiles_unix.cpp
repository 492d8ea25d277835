#include "ShortcutFiles.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/PartialFiles.h"
#include "platform/files/WriteAll.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
bool isOneName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/')
        && !name.contains('\0');
}

bool isFolder(int folder, const char *name)
{
    struct stat st;
    return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

enum class Naming { Failed, Named, Exchanged };

// Gives the temporary `from` the name `to`. A file or a link standing there is exchanged with it,
// so that it sits under the temporary's name until the shortcut is whole, and can be put back
// when it is not; a folder there refuses. File systems that cannot exchange names replace it.
Naming giveName(int folder, const char *from, const char *to)
{
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return Naming::Named;
    if (errno == EEXIST && !isFolder(folder, to)) {
        if (::renameat2(folder, from, folder, to, RENAME_EXCHANGE) == 0) {
            if (!isFolder(folder, from)) // a folder put there meanwhile goes back
                return Naming::Exchanged;
            ::renameat2(folder, from, folder, to, RENAME_EXCHANGE);
            return Naming::Failed;
        }
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return Naming::Failed;
    return ::renameat(folder, from, folder, to) == 0 ? Naming::Named : Naming::Failed;
}
} // namespace

struct Platform::ShortcutFiles::Held
{
    struct Staged
    {
        int folder;
        QByteArray temporary;
        QByteArray name;
    };

    ~Held()
    {
        for (const Staged &file : staged)
            ::unlinkat(file.folder, file.temporary.constData(), 0);
        // The folders made for a shortcut that is not whole go too, the deepest first, each only
        // if nothing has been put there meanwhile.
        for (auto folder = made.crbegin(); !whole && folder != made.crend(); ++folder)
            ::unlinkat(folder->first.get(), folder->second.constData(), AT_REMOVEDIR);
    }

    std::vector<FileDescriptor> folders;
    std::vector<Staged> staged; // not named yet
    std::vector<std::pair<FileDescriptor, QByteArray>> made; // the folder above, the name
    bool whole = false;
};

Platform::ShortcutFiles::ShortcutFiles()
    : held(std::make_unique<Held>())
{ }

Platform::ShortcutFiles::~ShortcutFiles() = default;

int Platform::ShortcutFiles::folder(const QString &path, const QStringList &below)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return -1;
    FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const QString &name : below) {
        const QByteArray encoded = QFile::encodeName(name);
        if (!fd.valid() || !isOneName(encoded))
            return -1;
        const bool madeNow = ::mkdirat(fd.get(), encoded.constData(), 0777) == 0;
        if (!madeNow && errno != EEXIST)
            return -1;
        FileDescriptor next(::openat(fd.get(), encoded.constData(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (madeNow)
            held->made.emplace_back(std::move(fd), encoded);
        fd = std::move(next);
    }
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        return -1;
    // The same folder met again holds this shortcut's own temporaries by now.
    if (std::none_of(held->folders.cbegin(), held->folders.cend(),
                     [&](const FileDescriptor &other) {
                         struct stat seen;
                         return ::fstat(other.get(), &seen) == 0 && seen.st_dev == info.st_dev
                             && seen.st_ino == info.st_ino;
                     }))
        removePartialFilesIn(fd.get());
    held->folders.push_back(std::move(fd));
    return int(held->folders.size() - 1);
}

bool Platform::ShortcutFiles::stage(int folder, const QString &name, const QByteArray &bytes,
                                    unsigned mode)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (folder < 0 || size_t(folder) >= held->folders.size() || !isOneName(encoded))
        return false;
    const int fd = held->folders[size_t(folder)].get();
    const QByteArray temporary = QFile::encodeName(partialFileName());
    const int out = ::openat(fd, temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(mode));
    if (out < 0)
        return false;
    const bool written = writeAll(out, bytes.constData(), bytes.size()) && ::fsync(out) == 0;
    if (::close(out) != 0 || !written) {
        ::unlinkat(fd, temporary.constData(), 0);
        return false;
    }
    held->staged.push_back({fd, temporary, encoded});
    return true;
}

bool Platform::ShortcutFiles::stageLink(int folder, const QString &name,
                                        const ShellLinkFields &fields)
{
    const QByteArray bytes = shellLinkBytes(fields);
    return !bytes.isEmpty() && stage(folder, name, bytes);
}

bool Platform::ShortcutFiles::nameAll()
{
    // Each named file, and whether what stood at its name waits under its temporary's.
    std::vector<std::pair<Held::Staged, bool>> named;
    while (!held->staged.empty()) {
        const Held::Staged file = held->staged.front();
        const Naming naming =
            giveName(file.folder, file.temporary.constData(), file.name.constData());
        if (naming == Naming::Failed) {
            // What stood at the names comes back: a file another shortcut of this run named
            // there a moment ago (the launchers' one icon) or one of the player's own.
            for (const auto &[done, exchanged] : named) {
                if (!exchanged
                    || ::renameat2(done.folder, done.temporary.constData(), done.folder,
                                   done.name.constData(), RENAME_EXCHANGE)
                        != 0)
                    ::unlinkat(done.folder, done.name.constData(), 0);
                else
                    ::unlinkat(done.folder, done.temporary.constData(), 0);
            }
            return false; // the temporaries left go with `held`
        }
        named.emplace_back(file, naming == Naming::Exchanged);
        held->staged.erase(held->staged.begin());
    }
    for (const auto &[done, exchanged] : named) {
        if (exchanged)
            ::unlinkat(done.folder, done.temporary.constData(), 0);
    }
    held->whole = true;
    bool synced = true;
    for (const FileDescriptor &fd : held->folders)
        synced = (::fsync(fd.get()) == 0 || errno == EINVAL) && synced;
    return synced;
}

bool Platform::ShortcutFiles::namesFit(const QStringList &names)
{
    for (const QString &name : names) {
        if (QFile::encodeName(name).size() > NAME_MAX)
            return false;
    }
    return true;
}

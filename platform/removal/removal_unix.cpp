#include "Removal.h"
#include "platform/files/FileDescriptor.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Write permission on a file does not matter for its removal here, and unlink never follows a
// link: the folder's entry is all that goes.
bool Platform::isLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool Platform::removeFileOrLink(const QString &path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}

namespace {
using Platform::FileDescriptor;

// A folder opened as itself: a link there fails to open (ELOOP), so does anything but a folder.
int openFolder(int parent, const char *name)
{
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Whether another file system, or a bind mount, is mounted on the held `folder`: what it holds is
// not the old version's. The system tells it where it can (Linux 5.8); elsewhere only a mount of
// another device shows, by a device other than its parent's.
bool isMountPoint(int folder, const struct stat &held, dev_t parentDevice)
{
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx st;
    if (::statx(folder, "", AT_EMPTY_PATH, 0, &st) == 0
        && (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return st.stx_attributes & STATX_ATTR_MOUNT_ROOT;
#endif
    return held.st_dev != parentDevice;
}

// Devices, FIFOs and sockets are no part of a mod and stay, as hidden entries do.
bool listed(const dirent &entry, int folder)
{
    if (entry.d_name[0] == '.')
        return false;
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(folder, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno != ENOENT;
        type = S_ISDIR(st.st_mode) ? DT_DIR
            : S_ISREG(st.st_mode)  ? DT_REG
            : S_ISLNK(st.st_mode)  ? DT_LNK
                                   : DT_UNKNOWN;
    }
    return type == DT_DIR || type == DT_REG || type == DT_LNK;
}

class TreeRemoval
{
public:
    explicit TreeRemoval(const std::function<void()> &beforeEachEntry)
        : beforeEachEntry(beforeEachEntry)
    { }

    // The visible entries of the held folder, listed first, then removed one by one.
    bool empty(int folder)
    {
        std::vector<QByteArray> names;
        {
            // A descriptor of its own, closed with the listing; the held one stays.
            const int listingFd = openFolder(folder, ".");
            const std::unique_ptr<DIR, int (*)(DIR *)> listing(
                listingFd < 0 ? nullptr : ::fdopendir(listingFd), ::closedir);
            if (!listing) {
                if (listingFd >= 0)
                    ::close(listingFd);
                return false;
            }
            for (;;) {
                errno = 0; // readdir's end and its failure differ only there
                const dirent *entry = ::readdir(listing.get());
                if (!entry) {
                    if (errno != 0)
                        return false;
                    break;
                }
                if (listed(*entry, folder))
                    names.emplace_back(entry->d_name);
            }
        }
        for (const QByteArray &name : names) {
            beforeEachEntry();
            if (!inPlace() || !remove(folder, name.constData()))
                return false;
        }
        return true;
    }

    // Whatever stands at `name` now, as itself: a folder is held, emptied and removed, anything
    // else is unlinked. Between the look and the removal the entry may change; neither call
    // follows a link, so a change costs a round, never anything outside. A rival that keeps
    // changing it wins after a few rounds: failure. A folder something is mounted on (a network
    // or cloud folder, a bind mount) ends the removal there, untouched.
    bool remove(int parent, const char *name)
    {
        for (int round = 0; round < 4; ++round) {
            struct stat st;
            if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                return errno == ENOENT;
            if (!S_ISDIR(st.st_mode)) {
                if (::unlinkat(parent, name, 0) == 0 || errno == ENOENT)
                    return true;
                if (errno == EISDIR)
                    continue;
                return false;
            }
            const FileDescriptor folder(openFolder(parent, name));
            struct stat held;
            if (!folder.valid() || ::fstat(folder.get(), &held) != 0) {
                if (errno == ELOOP || errno == ENOTDIR || errno == ENOENT)
                    continue;
                return false;
            }
            struct stat above;
            if (::fstat(parent, &above) != 0 || isMountPoint(folder.get(), held, above.st_dev))
                return false;
            chain.push_back({parent, name, held.st_dev, held.st_ino});
            const bool emptied = empty(folder.get());
            chain.pop_back();
            if (!emptied)
                return false;
            // The name may stand for a link or another folder by now: then that goes next round.
            if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                return errno == ENOENT;
            if (st.st_dev == held.st_dev && st.st_ino == held.st_ino)
                return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
        }
        return false;
    }

private:
    // Whether every folder being emptied is still where it was found: one that another program
    // moved out of the old version meanwhile (a player keeping a folder of it) keeps what it
    // still holds, and the removal ends with the warning.
    bool inPlace() const
    {
        return std::all_of(chain.cbegin(), chain.cend(), [](const Level &level) {
            struct stat st;
            return ::fstatat(level.parent, level.name, &st, AT_SYMLINK_NOFOLLOW) == 0
                && st.st_dev == level.device && st.st_ino == level.inode;
        });
    }

    struct Level
    {
        int parent;
        const char *name;
        dev_t device;
        ino_t inode;
    };

    const std::function<void()> &beforeEachEntry;
    std::vector<Level> chain; // the folders being emptied, the outermost first
};
} // namespace

bool Platform::removeTree(const QString &path, const std::function<void()> &beforeEachEntry)
{
    // The path up to the folder is the user's, links and all (Documents often is one).
    QByteArray local = QFile::encodeName(path);
    while (local.size() > 1 && local.endsWith('/'))
        local.chop(1);
    const qsizetype slash = local.lastIndexOf('/');
    const QByteArray parentPath = slash < 0 ? QByteArray(".")
        : slash == 0                        ? QByteArray("/")
                                            : local.left(slash);
    const QByteArray name = local.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    const FileDescriptor parent(::open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (!parent.valid() || ::fstatat(parent.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    // A file at the path is not the old folder: it stays.
    if (!S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode))
        return false;
    return TreeRemoval(beforeEachEntry).remove(parent.get(), name.constData());
}

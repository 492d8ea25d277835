#include "TreeWalk.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool isUtf8(const char *name, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            const QByteArray bytes = QByteArray::fromRawData(name, qsizetype(length));
            return QString::fromUtf8(bytes).toUtf8() == bytes; // invalid bytes come back as U+FFFD
        }
    }
    return true;
}

// One folder's walk from its descriptor, which it closes. Entries are taken by their bytes and
// looked at relative to the folder, so no name is ever decoded and encoded again on the way.
class FolderWalk
{
public:
    explicit FolderWalk(const std::function<void(const Platform::TreeEntry &)> &visit)
        : visit(visit)
    { }

    std::optional<Platform::UnreadableName> walk(int folderFd, const QString &folder)
    {
        DIR *dir = ::fdopendir(folderFd);
        if (!dir) {
            ::close(folderFd);
            return std::nullopt;
        }
        std::optional<Platform::UnreadableName> unreadable;
        while (const dirent *item = ::readdir(dir)) {
            if (item->d_name[0] == '.') // hidden, and "." and ".."
                continue;
            unreadable = visitEntry(::dirfd(dir), folder, item);
            if (unreadable)
                break;
        }
        ::closedir(dir);
        return unreadable;
    }

private:
    std::optional<Platform::UnreadableName> visitEntry(int folderFd, const QString &folder,
                                                       const dirent *item)
    {
        struct stat st = {};
        unsigned char type = item->d_type;
        // A file's size, and the kind of entry where the listing does not tell it.
        const bool needStat = type == DT_UNKNOWN || type == DT_REG;
        if (needStat && ::fstatat(folderFd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt; // gone since the listing
        if (type == DT_UNKNOWN)
            type = S_ISREG(st.st_mode) ? DT_REG
                : S_ISDIR(st.st_mode)  ? DT_DIR
                : S_ISLNK(st.st_mode)  ? DT_LNK
                                       : DT_UNKNOWN;
        Platform::TreeEntry entry;
        entry.isLink = type == DT_LNK;
        if (entry.isLink && ::fstatat(folderFd, item->d_name, &st, 0) != 0)
            return std::nullopt; // a link that leads nowhere
        entry.isFile = entry.isLink ? S_ISREG(st.st_mode) : type == DT_REG;
        if (!entry.isFile && !(entry.isLink ? S_ISDIR(st.st_mode) : type == DT_DIR))
            return std::nullopt; // FIFOs, sockets, devices
        const size_t length = std::strlen(item->d_name);
        if (!isUtf8(item->d_name, length))
            return Platform::UnreadableName {folder, QByteArray(item->d_name, qsizetype(length))};
        if (entry.isFile) {
            entry.size = st.st_size;
            entry.identity = {quint64(st.st_dev), quint64(st.st_ino)};
        }
        entry.path = folder + QLatin1Char('/') + QString::fromUtf8(item->d_name, qsizetype(length));
        visit(entry);
        if (entry.isLink || entry.isFile)
            return std::nullopt;
        const int childFd =
            ::openat(folderFd, item->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        return childFd < 0 ? std::nullopt : walk(childFd, entry.path);
    }

    const std::function<void(const Platform::TreeEntry &)> &visit;
};
} // namespace

std::optional<Platform::UnreadableName>
Platform::walkTree(DataTree &tree, const std::function<void(const TreeEntry &)> &visit)
{
    // The listing takes a descriptor of its own along, with its own position, so that the tree
    // keeps holding its folder and can be walked again.
    const int rootFd =
        tree.isOpen() ? ::openat(int(tree.handle()), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (rootFd < 0)
        return std::nullopt;
    return FolderWalk(visit).walk(rootFd, tree.path());
}

#pragma once

#include "platform/files/FileDescriptor.h"

#include <QByteArray>

#include <map>
#include <mutex>
#include <set>
#include <sys/types.h>
#include <utility>
#include <vector>

// The Unix copier works in the folders of the install tree through descriptors, reached from the
// root down, so that a folder swapped for a link while it runs is never followed out of the tree:
// names are made, given and removed relative to the folder's descriptor.
namespace Platform {
// A descriptor of the folder `relative` (clean, '/'-separated, empty for `root` itself) below
// the folder open as `root`, reached without following any link on the way: a link or a file
// standing where a folder belongs is removed as itself and a folder made in its place, and
// missing folders are created. -1 on failure, with errno set.
int openFolderBeneath(int root, const QByteArray &relative);

// Removes the leftovers of killed writes in the folder open as `folder`, as removePartialFiles.
void removePartialFilesIn(int folder);

// Gives the complete anonymous file open as `fd` the name `name` in `folder`; never replaces an
// existing one. Unsupported where the file system cannot name anonymous files (or, without
// /proc, the process lacks the privilege to).
enum class LinkResult { Linked, Failed, Unsupported };
LinkResult nameAnonymousFile(int fd, int folder, const char *name);

// Renames `from` in `fromFolder` to `to` in `toFolder`, never replacing an existing `to`.
bool renameNoReplace(int fromFolder, const char *from, int toFolder, const char *to);

// The folder part of a path relative to the root (empty for the root) and the name in it.
std::pair<QByteArray, QByteArray> folderAndName(const QByteArray &relative);

// The folders below a root that files are being copied into, each opened from the root as
// openFolderBeneath does, swept of leftovers the first time, and held while any file copied there
// waits for its name. Every file system met keeps a descriptor until the next sync, which then
// reports the write-back errors that happened since. Safe to use from several threads.
class HeldFolders
{
public:
    explicit HeldFolders(const QByteArray &rootPath);
    ~HeldFolders();
    HeldFolders(const HeldFolders &) = delete;
    HeldFolders &operator=(const HeldFolders &) = delete;

    // The descriptor of the folder `relative` below the root, valid until it is released as
    // often as it was acquired; -1 on failure.
    int acquire(const QByteArray &relative);
    void release(const QByteArray &relative);

    // A descriptor of the folder `relative` as it is found now, which the caller closes.
    int openNow(const QByteArray &relative);

    // Whether the root's path still leads to the folder held as the root.
    bool rootInPlace();

    // Makes durable what was written on every file system met since the last sync; where
    // the system cannot sync a file system, the files `written` (relative to the root) and
    // their folders one by one.
    bool sync(const std::vector<QByteArray> &written);

private:
    bool openRoot();

    struct Held
    {
        FileDescriptor fd;
        int users = 0;
    };

    const QByteArray rootPath;
    std::mutex mutex; // for all below
    // Opened (through a link if it is one) when first needed, and held from then on.
    FileDescriptor root;
    dev_t rootDevice = 0;
    ino_t rootInode = 0;
    std::map<QByteArray, Held> held;
    std::set<QByteArray> swept;
    std::vector<std::pair<dev_t, int>> devices;
};
} // namespace Platform

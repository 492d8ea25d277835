#include "FolderDescriptors.h"
#include "PartialFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::pair<QByteArray, QByteArray> Platform::folderAndName(const QByteArray &relative)
{
    const int slash = relative.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray(), relative};
    return {relative.left(slash), relative.mid(slash + 1)};
}

Platform::HeldFolders::HeldFolders(const QByteArray &rootPath)
    : rootPath(rootPath)
{ }

Platform::HeldFolders::~HeldFolders()
{
    for (const auto &device : devices)
        ::close(device.second);
}

bool Platform::HeldFolders::openRoot()
{
    while (!root.valid()) {
        root.reset(::open(rootPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!root.valid() && errno != EINTR)
            return false;
        struct stat st;
        if (root.valid() && ::fstat(root.get(), &st) != 0) {
            root.reset();
            return false;
        }
        rootDevice = root.valid() ? st.st_dev : 0;
        rootInode = root.valid() ? st.st_ino : 0;
    }
    return true;
}

bool Platform::HeldFolders::rootInPlace()
{
    const std::lock_guard lock(mutex);
    struct stat st;
    return openRoot() && ::stat(rootPath.constData(), &st) == 0 && st.st_dev == rootDevice
        && st.st_ino == rootInode;
}

int Platform::HeldFolders::acquire(const QByteArray &relative)
{
    const std::lock_guard lock(mutex);
    if (const auto found = held.find(relative); found != held.end()) {
        ++found->second.users;
        return found->second.fd.get();
    }
    if (!openRoot())
        return -1;
    const int fd = openFolderBeneath(root.get(), relative);
    if (fd < 0)
        return -1;
    Held &folder = held[relative];
    folder.fd.reset(fd);
    folder.users = 1;
    // Before any temporary of this run is made there.
    if (swept.insert(relative).second)
        removePartialFilesIn(fd);
    // Only a new folder can be on another file system.
    struct stat st;
    if (::fstat(fd, &st) == 0
        && std::none_of(devices.begin(), devices.end(),
                        [&](const auto &device) { return device.first == st.st_dev; })) {
        const int device = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (device >= 0)
            devices.emplace_back(st.st_dev, device);
    }
    return fd;
}

void Platform::HeldFolders::release(const QByteArray &relative)
{
    const std::lock_guard lock(mutex);
    const auto found = held.find(relative);
    if (found != held.end() && --found->second.users == 0)
        held.erase(found);
}

int Platform::HeldFolders::openNow(const QByteArray &relative)
{
    const std::lock_guard lock(mutex);
    return openRoot() ? openFolderBeneath(root.get(), relative) : -1;
}

bool Platform::HeldFolders::sync(const std::vector<QByteArray> &written)
{
    const std::lock_guard lock(mutex);
    if (!openRoot())
        return false;
    bool ok = true;
#ifdef __linux__
    Q_UNUSED(written);
    ok = ::syncfs(root.get()) == 0;
    for (const auto &device : devices)
        ok = ::syncfs(device.second) == 0 && ok;
#else
    // Each new name lives in its folder, and each new folder in its parent up to the root.
    std::set<QByteArray> folders {QByteArray()};
    for (const QByteArray &file : written) {
        const FileDescriptor fd(
            ::openat(root.get(), file.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
        for (QByteArray folder = folderAndName(file).first; !folder.isEmpty();
             folder = folderAndName(folder).first)
            folders.insert(folder);
    }
    for (const QByteArray &folder : folders) {
        const FileDescriptor fd(folder.isEmpty()
                                    ? ::dup(root.get())
                                    : ::openat(root.get(), folder.constData(),
                                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
    }
#endif
    for (const auto &device : devices)
        ::close(device.second);
    devices.clear();
    swept.clear();
    return ok;
}

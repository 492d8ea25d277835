#include "FolderCalls.h"
#include "HeldFolders.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/PartialFiles.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

// Every file system met keeps a descriptor until the next sync, which then reports the write-back
// errors that happened there since.
struct Platform::HeldFolders::Private
{
    explicit Private(const QString &root)
        : rootPath(QFile::encodeName(root))
    { }

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
    std::map<QString, Held> held;
    std::set<QString> swept;
    std::map<dev_t, FileDescriptor> devices;
};

bool Platform::HeldFolders::Private::openRoot()
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

Platform::HeldFolder::~HeldFolder()
{
    drop();
}

void Platform::HeldFolder::drop()
{
    if (owner)
        owner->release(name);
    else if (valid())
        ::close(int(native));
    owner = nullptr;
    native = -1;
}

Platform::HeldFolders::HeldFolders(const QString &root)
    : d(std::make_unique<Private>(root))
{ }

Platform::HeldFolders::~HeldFolders() = default;

Platform::HeldFolder Platform::HeldFolders::acquire(const QString &relative)
{
    HeldFolder token;
    const std::lock_guard lock(d->mutex);
    if (const auto found = d->held.find(relative); found != d->held.end()) {
        ++found->second.users;
    } else {
        if (!d->openRoot())
            return token;
        const int fd = openFolderBeneath(d->root.get(), QFile::encodeName(relative));
        if (fd < 0)
            return token;
        Private::Held &folder = d->held[relative];
        folder.fd.reset(fd);
        folder.users = 1;
        // Before any temporary of this run is made there.
        if (d->swept.insert(relative).second)
            removePartialFilesIn(fd);
        // Only a new folder can be on another file system.
        struct stat st;
        if (::fstat(fd, &st) == 0 && !d->devices.count(st.st_dev))
            d->devices.try_emplace(st.st_dev, ::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    }
    token.owner = this;
    token.name = relative;
    token.native = d->held[relative].fd.get();
    return token;
}

void Platform::HeldFolders::release(const QString &relative)
{
    const std::lock_guard lock(d->mutex);
    const auto found = d->held.find(relative);
    if (found != d->held.end() && --found->second.users == 0)
        d->held.erase(found);
}

Platform::HeldFolder Platform::HeldFolders::findNow(const QString &relative)
{
    HeldFolder token;
    const std::lock_guard lock(d->mutex);
    if (d->openRoot()) {
        token.name = relative;
        token.native = openFolderBeneath(d->root.get(), QFile::encodeName(relative));
    }
    return token;
}

bool Platform::HeldFolders::rootInPlace()
{
    const std::lock_guard lock(d->mutex);
    struct stat st;
    return d->openRoot() && ::stat(d->rootPath.constData(), &st) == 0 && st.st_dev == d->rootDevice
        && st.st_ino == d->rootInode;
}

bool Platform::HeldFolders::sync()
{
    const std::lock_guard lock(d->mutex);
    if (!d->openRoot())
        return false;
    bool ok = ::syncfs(d->root.get()) == 0;
    for (const auto &device : d->devices)
        ok = (!device.second.valid() || ::syncfs(device.second.get()) == 0) && ok;
    d->devices.clear();
    d->swept.clear();
    return ok;
}

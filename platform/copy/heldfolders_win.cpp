#include "HeldFolders.h"
#include "platform/files/FileHandle.h"
#include "platform/files/PartialFiles.h"
#include "platform/files/Win32Path.h"
#include "platform/files/WinFolders.h"
#include "platform/removal/Removal.h"

#include <map>
#include <mutex>
#include <set>

namespace {

// One folder below a held one, made a real folder first where needed. A rival that keeps
// swapping the entry could go on for ever; a few rounds then count as failure.
Platform::FileHandle openStep(const QString &path)
{
    for (int round = 0; round < 4; ++round) {
        Platform::FileHandle folder = Platform::openFolder(path, true);
        if (folder.valid()) {
            if (Platform::isRealFolder(folder.get()))
                return folder;
            folder.reset();
            if (!Platform::removeFileOrLink(path))
                return {};
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return {};
        if (!CreateDirectoryW(Platform::win32Path(path).c_str(), nullptr)
            && GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

void flushFolder(const QString &path)
{
    const Platform::FileHandle folder(
        CreateFileW(Platform::win32Path(path).c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.valid())
        FlushFileBuffers(folder.get());
}

// A folder's identity: volume serial number and file index.
std::pair<DWORD, quint64> identityOf(HANDLE folder)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder, &info))
        return {0, 0};
    return {info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace

// A folder is held with every folder above it, so that none of them can be renamed or removed
// while a file copied there waits for its name, and every path below the root leads where it was
// checked to.
struct Platform::HeldFolders::Private
{
    explicit Private(const QString &root)
        : root(root)
    { }

    QString pathOf(const QString &relative) const
    {
        return relative.isEmpty() ? root : root + QLatin1Char('/') + relative;
    }
    bool acquire(const QString &relative);
    void release(const QString &relative);

    struct Held
    {
        FileHandle handle;
        int users = 0;
    };

    const QString root;
    std::mutex mutex; // for all below
    std::map<QString, Held> held;
    std::set<QString> entered;
    std::pair<DWORD, quint64> rootIdentity {0, 0};
};

bool Platform::HeldFolders::Private::acquire(const QString &relative)
{
    if (const auto found = held.find(relative); found != held.end()) {
        ++found->second.users;
        return true;
    }
    FileHandle folder;
    if (relative.isEmpty()) {
        // The root may be reached through a link: only what lies below it is checked. It stays
        // held from now on, one user more than its files.
        folder = Platform::openFolder(root, false);
        rootIdentity = identityOf(folder.get());
        if (rootIdentity.second == 0)
            return false;
    } else {
        const auto [parent, name] = HeldFolders::folderAndName(relative);
        // The worker hands clean paths below the root; a step up would leave it.
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
            || !acquire(parent))
            return false;
        folder = openStep(pathOf(relative));
        if (!folder.valid()) {
            release(parent);
            return false;
        }
    }
    held.emplace(relative, Held {std::move(folder), relative.isEmpty() ? 2 : 1});
    // Before any temporary of this run is made there.
    if (entered.insert(relative).second)
        Platform::removePartialFiles(pathOf(relative));
    return true;
}

void Platform::HeldFolders::Private::release(const QString &relative)
{
    const auto found = held.find(relative);
    if (found == held.end() || --found->second.users > 0)
        return;
    held.erase(found);
    if (!relative.isEmpty())
        release(HeldFolders::folderAndName(relative).first);
}

Platform::HeldFolder::~HeldFolder()
{
    drop();
}

void Platform::HeldFolder::drop()
{
    if (owner)
        owner->release(name);
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
    if (d->acquire(relative)) {
        token.owner = this;
        token.name = relative;
        token.native = reinterpret_cast<qintptr>(d->held[relative].handle.get());
    }
    return token;
}

void Platform::HeldFolders::release(const QString &relative)
{
    const std::lock_guard lock(d->mutex);
    d->release(relative);
}

Platform::HeldFolder Platform::HeldFolders::findNow(const QString &relative)
{
    return acquire(relative);
}

bool Platform::HeldFolders::rootInPlace()
{
    const std::lock_guard lock(d->mutex);
    const FileHandle folder = Platform::openFolder(d->root, false);
    return d->rootIdentity.second != 0 && folder.valid()
        && identityOf(folder.get()) == d->rootIdentity;
}

bool Platform::HeldFolders::sync()
{
    // Some file systems refuse to flush a folder; the names are then as safe as that file system
    // makes them.
    const std::lock_guard lock(d->mutex);
    d->entered.insert(QString());
    for (const QString &folder : d->entered)
        flushFolder(d->pathOf(folder));
    d->entered.clear();
    return true;
}

#include "FolderHandles.h"
#include "PartialFiles.h"
#include "platform/files/Win32Path.h"
#include "platform/removal/Removal.h"

namespace {

// A folder as itself, never what a link there points to, held so that it stays where it is.
HANDLE openFolder(const QString &path, bool asItself)
{
    return CreateFileW(
        Platform::win32Path(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (asItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

} // namespace

bool Platform::isRealFolder(HANDLE folder)
{
    FILE_ATTRIBUTE_TAG_INFO info {};
    if (!GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &info, sizeof info)) {
        BY_HANDLE_FILE_INFORMATION basic;
        if (!GetFileInformationByHandle(folder, &basic))
            return false;
        info.FileAttributes = basic.dwFileAttributes;
    }
    if (!(info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return !(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || (info.ReparseTag != 0 && !IsReparseTagNameSurrogate(info.ReparseTag));
}

namespace {

// One folder below a held one, made a real folder first where needed. A rival that keeps
// swapping the entry could go on for ever; a few rounds then count as failure.
HANDLE openStep(const QString &path)
{
    for (int round = 0; round < 4; ++round) {
        const HANDLE folder = openFolder(path, true);
        if (folder != INVALID_HANDLE_VALUE) {
            if (Platform::isRealFolder(folder))
                return folder;
            CloseHandle(folder);
            if (!Platform::removeFileOrLink(path))
                return INVALID_HANDLE_VALUE;
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return INVALID_HANDLE_VALUE;
        if (!CreateDirectoryW(Platform::win32Path(path).c_str(), nullptr)
            && GetLastError() != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

void flushFolder(const QString &path)
{
    const HANDLE folder = CreateFileW(Platform::win32Path(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(folder);
        CloseHandle(folder);
    }
}

} // namespace

Platform::HeldFolders::HeldFolders(const QString &root)
    : root(root)
{ }

Platform::HeldFolders::~HeldFolders()
{
    for (const auto &folder : held)
        CloseHandle(folder.second.handle);
}

QString Platform::HeldFolders::pathOf(const QString &relative) const
{
    return relative.isEmpty() ? root : root + QLatin1Char('/') + relative;
}

QString Platform::HeldFolders::folderOf(const QString &relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relative.left(slash);
}

bool Platform::HeldFolders::acquire(const QString &relative)
{
    const std::lock_guard lock(mutex);
    return acquireLocked(relative);
}

void Platform::HeldFolders::release(const QString &relative)
{
    const std::lock_guard lock(mutex);
    releaseLocked(relative);
}

bool Platform::HeldFolders::acquireLocked(const QString &relative)
{
    if (const auto found = held.find(relative); found != held.end()) {
        ++found->second.users;
        return true;
    }
    HANDLE folder = INVALID_HANDLE_VALUE;
    if (relative.isEmpty()) {
        // The root may be reached through a link: only what lies below it is checked.
        folder = openFolder(root, false);
    } else {
        const QString name = relative.mid(relative.lastIndexOf(QLatin1Char('/')) + 1);
        // The worker hands clean paths below the root; a step up would leave it.
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
            || !acquireLocked(folderOf(relative)))
            return false;
        folder = openStep(pathOf(relative));
        if (folder == INVALID_HANDLE_VALUE)
            releaseLocked(folderOf(relative));
    }
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    // The root stays held from now on, one user more than its files.
    BY_HANDLE_FILE_INFORMATION info;
    const bool firstRoot = relative.isEmpty() && !rootKnown;
    if (firstRoot && !GetFileInformationByHandle(folder, &info)) {
        CloseHandle(folder);
        return false;
    }
    if (firstRoot) {
        rootKnown = true;
        rootVolume = info.dwVolumeSerialNumber;
        rootIndex = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    held.emplace(relative, Held {folder, firstRoot ? 2 : 1});
    // Before any temporary of this run is made there.
    if (entered.insert(relative).second)
        Platform::removePartialFiles(pathOf(relative));
    return true;
}

void Platform::HeldFolders::releaseLocked(const QString &relative)
{
    const auto found = held.find(relative);
    if (found == held.end() || --found->second.users > 0)
        return;
    CloseHandle(found->second.handle);
    held.erase(found);
    if (!relative.isEmpty())
        releaseLocked(folderOf(relative));
}

bool Platform::HeldFolders::rootInPlace()
{
    const std::lock_guard lock(mutex);
    if (!rootKnown)
        return false;
    const HANDLE folder = openFolder(root, false);
    BY_HANDLE_FILE_INFORMATION info;
    const bool same = folder != INVALID_HANDLE_VALUE && GetFileInformationByHandle(folder, &info)
        && info.dwVolumeSerialNumber == rootVolume
        && ((quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow) == rootIndex;
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    return same;
}

void Platform::HeldFolders::flushFolders()
{
    const std::lock_guard lock(mutex);
    entered.insert(QString());
    for (const QString &folder : entered)
        flushFolder(pathOf(folder));
    entered.clear();
}

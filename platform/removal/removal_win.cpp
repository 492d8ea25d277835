#include "Removal.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Win32Path.h"

#include <QDir>

#include <memory>
#include <vector>
#include <windows.h>

namespace {
struct Entry
{
    bool exists = false;
    DWORD attributes = 0;
    DWORD reparseTag = 0;

    bool isReparsePoint() const { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
    // Symbolic links and junctions stand for another name; a cloud or deduplicated file carries
    // reparse data too, yet is a file of its own. Wine shows a host's symbolic link to a folder
    // as a reparse point without a tag: a link all the same.
    bool isLink() const
    {
        return isReparsePoint() && (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
    }
};

// The entry itself, not what it points to: neither call follows a link. Only a reparse point
// needs the second one, for its tag.
Entry entryAt(const QString &path)
{
    Entry entry;
    const DWORD attributes = GetFileAttributesW(Platform::win32Path(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return entry;
    entry.exists = true;
    entry.attributes = attributes;
    if (!entry.isReparsePoint())
        return entry;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(Platform::win32Path(path).c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        entry.reparseTag = data.dwReserved0;
    }
    return entry;
}
} // namespace

bool Platform::isLink(const QString &path)
{
    return entryAt(path).isLink();
}

bool Platform::removeFileOrLink(const QString &path)
{
    const Entry entry = entryAt(path);
    if (!entry.exists)
        return true;
    const std::wstring native = Platform::win32Path(path);
    if (entry.isReparsePoint()) {
        // Wine removes what a host's link points to instead of the link: without a tag there is
        // no safe way to remove it. A link to a folder is removed as a folder, which takes the
        // link and never what lies behind it.
        if (entry.reparseTag == 0)
            return false;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
            return RemoveDirectoryW(native.c_str());
        return DeleteFileW(native.c_str());
    }
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    // DeleteFileW refuses a read-only file, and files from a disc or an archive often are.
    const bool readOnly = entry.attributes & FILE_ATTRIBUTE_READONLY;
    const DWORD writable = entry.attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    if (readOnly
        && !SetFileAttributesW(native.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL))
        return false;
    if (DeleteFileW(native.c_str()))
        return true;
    if (readOnly)
        SetFileAttributesW(native.c_str(), entry.attributes);
    return false;
}

namespace {
using Platform::FileHandle;

// One entry of a folder as its listing gave it.
struct Listed
{
    QString name;
    DWORD attributes = 0;
    LONGLONG id = 0; // 0 where the file system gives none
};

// The entry at `path` itself: FILE_FLAG_OPEN_REPARSE_POINT stops at a link or a junction instead
// of following it. Without FILE_SHARE_DELETE nobody else can move or remove it while the handle
// is open, so a folder held this way stays what its path leads to, and so does every path below.
FileHandle openAsItself(const QString &path, bool folder)
{
    const std::wstring native = Platform::win32Path(path);
    const auto open = [&](DWORD access) {
        return CreateFileW(native.c_str(),
                           access | DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE
                               | (folder ? FILE_LIST_DIRECTORY : 0),
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    // The right to change attributes clears a read-only flag before the deletion. Wine refuses
    // it for a read-only file of an ordinary user, yet clears the flag without it.
    HANDLE handle = open(FILE_WRITE_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        handle = open(0);
    return FileHandle(handle);
}

bool missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// What the handle holds, asked of the handle and not of a path.
Entry entryOf(HANDLE handle, LONGLONG *id)
{
    Entry entry;
    BY_HANDLE_FILE_INFORMATION basic;
    if (!GetFileInformationByHandle(handle, &basic))
        return entry;
    entry.exists = true;
    entry.attributes = basic.dwFileAttributes;
    *id = LONGLONG((ULONGLONG(basic.nFileIndexHigh) << 32) | basic.nFileIndexLow);
    FILE_ATTRIBUTE_TAG_INFO tag {};
    if (entry.isReparsePoint()
        && GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
        entry.reparseTag = tag.ReparseTag;
    return entry;
}

// The visible entries of a held folder, read through its handle.
bool listFolder(HANDLE folder, std::vector<Listed> *entries)
{
    constexpr DWORD size = 64 * 1024;
    const std::unique_ptr<LONGLONG[]> buffer(new LONGLONG[size / sizeof(LONGLONG)]);
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.get(), size)) {
        kind = FileIdBothDirectoryInfo;
        auto *bytes = reinterpret_cast<const unsigned char *>(buffer.get());
        for (;;) {
            const auto *info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(bytes);
            const QString name =
                QString::fromWCharArray(info->FileName, info->FileNameLength / sizeof(WCHAR));
            if (name != QLatin1String(".") && name != QLatin1String("..")
                && !(info->FileAttributes & FILE_ATTRIBUTE_HIDDEN))
                entries->push_back({name, info->FileAttributes, info->FileId.QuadPart});
            if (info->NextEntryOffset == 0)
                break;
            bytes += info->NextEntryOffset;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

// Marks the held entry for deletion, a read-only file too, and closes it: the name goes then,
// unless another program still has it open. What a link leads to is never touched: the handle
// is the link's own.
bool removeHeld(FileHandle &held, const QString &path, const Entry &entry)
{
    FILE_BASIC_INFO basic {};
    const bool readOnly = entry.attributes & FILE_ATTRIBUTE_READONLY;
    if (readOnly) {
        const DWORD writable = entry.attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
        basic.FileAttributes = writable ? writable : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(held.get(), FileBasicInfo, &basic, sizeof basic))
            return false;
    }
    FILE_DISPOSITION_INFO disposition {TRUE};
    if (!SetFileInformationByHandle(held.get(), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
        if (readOnly) {
            basic.FileAttributes = entry.attributes;
            SetFileInformationByHandle(held.get(), FileBasicInfo, &basic, sizeof basic);
        }
        return false;
    }
    held.reset();
    // A folder marked while not empty stays on some systems (Wine) without a word.
    return GetFileAttributesW(Platform::win32Path(path).c_str()) == INVALID_FILE_ATTRIBUTES
        && missing(GetLastError());
}

class TreeRemoval
{
public:
    explicit TreeRemoval(const std::function<void()> &beforeEachEntry)
        : beforeEachEntry(beforeEachEntry)
    { }

    bool empty(HANDLE folder, const QString &path) const
    {
        std::vector<Listed> entries;
        if (!listFolder(folder, &entries))
            return false;
        for (const Listed &listed : entries) {
            beforeEachEntry();
            if (!remove(path + QLatin1Char('/') + listed.name, listed))
                return false;
        }
        return true;
    }

    // The listed entry as itself. It must still be the one listed: the folder it lies in is held,
    // yet the entry itself may have been swapped since, and a system that follows a link despite
    // FILE_FLAG_OPEN_REPARSE_POINT (Wine, for a host's link) shows another file behind it.
    bool remove(const QString &path, const Listed &listed) const
    {
        FileHandle held = openAsItself(path, listed.attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!held.valid())
            return missing(GetLastError());
        LONGLONG id = 0;
        const Entry entry = entryOf(held.get(), &id);
        if (!entry.exists || (listed.id != 0 && id != listed.id))
            return false;
        return removeOpened(held, path, entry);
    }

    bool removeOpened(FileHandle &held, const QString &path, const Entry &entry) const
    {
        if (entry.isLink()) {
            // Wine shows a host's link without a tag and may remove what it points to instead.
            if (entry.reparseTag == 0)
                return false;
        } else if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !empty(held.get(), path)) {
            return false;
        }
        return removeHeld(held, path, entry);
    }

private:
    const std::function<void()> &beforeEachEntry;
};
} // namespace

bool Platform::removeTree(const QString &path, const std::function<void()> &beforeEachEntry)
{
    FileHandle top = openAsItself(path, true);
    if (!top.valid())
        return missing(GetLastError());
    LONGLONG id = 0;
    const Entry entry = entryOf(top.get(), &id);
    // A file at the path is not the old folder: it stays.
    if (!entry.exists || (!entry.isLink() && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return TreeRemoval(beforeEachEntry).removeOpened(top, path, entry);
}

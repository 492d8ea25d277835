#include "Removal.h"
#include "platform/files/Win32Path.h"

#include <QDir>

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

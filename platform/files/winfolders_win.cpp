#include "Win32Path.h"
#include "WinFolders.h"

Platform::FileHandle Platform::openFolder(const QString &path, bool asItself)
{
    return FileHandle(CreateFileW(
        Platform::win32Path(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (asItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr));
}

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

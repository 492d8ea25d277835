#include "MoveOver.h"

#include <windows.h>

bool Platform::moveOver(const std::wstring &source, const std::wstring &target)
{
    constexpr DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(source.c_str(), target.c_str(), flags))
        return true;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)
        || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    const DWORD writable = attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(target.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL)
        && MoveFileExW(source.c_str(), target.c_str(), flags);
}

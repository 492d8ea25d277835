#include "PartialFiles.h"
#include "platform/files/Win32Path.h"

#include <string_view>
#include <windows.h>

void Platform::removePartialFiles(const QString &folder)
{
    std::wstring native = Platform::win32Path(folder);
    if (!native.empty() && native.back() == L'\\') // a drive's root
        native.pop_back();
    const std::wstring prefix = QString::fromLatin1(partialFilePrefix).toStdWString();
    const std::wstring pattern = native + L"\\" + prefix + L"*";
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        // The pattern matches short (8.3) names too.
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)
            || std::wstring_view(data.cFileName).substr(0, prefix.size()) != prefix)
            continue;
        const std::wstring path = native + L"\\" + data.cFileName;
        // A write opens its temporary without sharing deletion, so only a leftover can go.
        if (DeleteFileW(path.c_str()) || !(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
            continue;
        // A leftover from between setting the attributes and taking the final name.
        if (SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL) && !DeleteFileW(path.c_str()))
            SetFileAttributesW(path.c_str(), data.dwFileAttributes);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

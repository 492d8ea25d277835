#include "DataTree.h"
#include "platform/files/Win32Path.h"
#include "platform/files/WinFolders.h"

#include <QFileInfo>

#include <windows.h>

// Held without sharing deletion: as long as the tree lives, its folder can be neither renamed
// nor removed, so the path that the copy reads below stays the folder that was walked.
Platform::DataTree::DataTree(const QString &folder)
    : root(QFileInfo(folder).canonicalFilePath())
{
    if (root.isEmpty())
        return;
    const HANDLE handle =
        CreateFileW(Platform::win32Path(root).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (handle != INVALID_HANDLE_VALUE
        && (!GetFileInformationByHandle(handle, &info)
            || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
        CloseHandle(handle);
        return;
    }
    native = reinterpret_cast<qintptr>(handle);
}

// A folder that is no folder of its own by now (a link put in its place) is not held: the walk
// passes over what it holds, and the copy refuses it when it comes to read there.
qintptr Platform::DataTree::holdFolder(const QString &path)
{
    FileHandle folder = openFolder(path, true);
    if (!folder.valid() || !isRealFolder(folder.get()))
        return -1;
    heldFolders.push_back(reinterpret_cast<qintptr>(folder.release()));
    return heldFolders.back();
}

Platform::DataTree::~DataTree()
{
    for (const qintptr folder : heldFolders)
        CloseHandle(reinterpret_cast<HANDLE>(folder));
    if (isOpen())
        CloseHandle(reinterpret_cast<HANDLE>(native));
}

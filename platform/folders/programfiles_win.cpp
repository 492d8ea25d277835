#include "ProgramFiles.h"

#include <shlobj.h>
#include <windows.h>

QString Platform::programFilesFolder()
{
    wchar_t buffer[MAX_PATH];
    if (SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROGRAM_FILESX86, FALSE)
        || SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROGRAM_FILES, FALSE))
        return QString::fromWCharArray(buffer);
    return QStringLiteral("C:\\Program Files");
}

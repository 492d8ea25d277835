#include "FileHandle.h"
#include "RegularFile.h"
#include "Win32Path.h"

#include <windows.h>

std::optional<QByteArray> Platform::Detail::readRegularDiskFile(const QString &path, qint64 limit,
                                                                FinalLink link)
{
    if (path.isEmpty())
        return std::nullopt;
    // Opening the reparse point itself, where a link may not stand, shows it as what it is.
    const DWORD flags =
        FILE_ATTRIBUTE_NORMAL | (link == FinalLink::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const Platform::FileHandle file(
        CreateFileW(Platform::win32Path(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    flags, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK
        || !GetFileInformationByHandle(file.get(), &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        || (qint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow) > limit)
        return std::nullopt;
    QByteArray bytes;
    qint64 filled = 0;
    while (filled <= limit) {
        if (bytes.size() == filled)
            bytes.resize(qMin(limit + 1, qMax<qint64>(4096, filled * 2)));
        DWORD got = 0;
        const DWORD wanted = DWORD(qMin<qint64>(bytes.size() - filled, 1 << 30));
        if (!ReadFile(file.get(), bytes.data() + filled, wanted, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > limit)
        return std::nullopt;
    bytes.truncate(filled);
    return bytes;
}

#include "Win32Path.h"

#include <QDir>

#include <windows.h>

namespace {
bool startsWith(const std::wstring &text, const wchar_t *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// GetFullPathNameW applies the parsing that the prefix would turn off; it takes long paths.
std::wstring fullPath(const std::wstring &path)
{
    std::wstring full(path.size() + MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    return full;
}
} // namespace

std::wstring Platform::win32Path(const QString &path)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    if (native.empty() || startsWith(native, L"\\\\?\\") || startsWith(native, L"\\\\.\\"))
        return native;
    const std::wstring full = fullPath(native);
    if (startsWith(full, L"\\\\?\\") || startsWith(full, L"\\\\.\\"))
        return full;
    if (startsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    return full;
}

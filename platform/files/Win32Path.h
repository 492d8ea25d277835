#pragma once

#include <QString>

#include <string>

namespace Platform {
// A path as every Win32 file call of the program takes it: the `\\?\` form, which lifts the
// length limit of MAX_PATH characters. That form also turns off the system's own parsing of the
// path, so the parsing is done here first, by the system's rules: a relative path is made
// absolute against the current folder, "." and ".." are resolved, separators become
// backslashes, and trailing dots and spaces go from names as they would without the prefix.
// C:\dir -> \\?\C:\dir; \\server\share\dir -> \\?\UNC\server\share\dir; a path that already
// has the prefix or names a device (\\.\) stays as it is.
std::wstring win32Path(const QString &path);
} // namespace Platform

#pragma once

#include <QString>

#include <string>

namespace Platform {
// A path as the Win32 file calls take it: native separators and, from MAX_PATH on, the prefix
// that lifts the length limit (which also turns off the parsing of "." and "..": the paths
// given here are absolute and clean).
std::wstring win32Path(const QString &path);
} // namespace Platform

#pragma once

#include <QString>

namespace Platform {
// The value `valueName` of the registry key `keyPath` ("HKEY_CURRENT_USER\SOFTWARE\Valve\Steam"),
// read only and taken as a string. Empty when the hive, the key or the value does not exist or
// cannot be read.
QString registryString(const QString &keyPath, const QString &valueName);
} // namespace Platform

#pragma once

#include <QString>

namespace Platform {
// A path from configuration, a key list, the registry or a built-in constant, written the
// Windows way, as the file system of this machine takes it. Messages keep showing the path as
// it was configured; only file system calls see the converted one.
QString localPath(const QString &configuredPath);
} // namespace Platform

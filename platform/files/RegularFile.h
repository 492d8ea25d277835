#pragma once

#include <QString>

namespace Platform {
// Whether `path` names a regular file (a resource counts as one). The program opens the files it
// does not control (ds.conf, key lists, pictures, registry hives) only then: opening a FIFO waits
// for a writer that may never come, and a device such as /dev/zero never ends, so both are taken
// as missing.
bool isRegularFile(const QString &path);
} // namespace Platform

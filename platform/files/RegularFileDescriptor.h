#pragma once

#include "RegularFile.h"

namespace Platform {
// The file at `path`, opened as readRegularFile opens it: a descriptor (the caller closes it) of
// a regular file that was at most `limit` bytes when it was checked, or -1. For readers that
// take the file in parts, such as the registry's hives.
int openRegularFile(const QString &path, qint64 limit, FinalLink link = FinalLink::Follow);
} // namespace Platform

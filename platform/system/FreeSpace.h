#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace Platform {
// Bytes that the current user may still write on the partition that holds `path`; nothing when
// the system cannot tell.
std::optional<qint64> freeBytes(const QString &path);

// Tests put their own figures (or a failure) in place of the system's; an empty query restores
// the real one.
using FreeSpaceQuery = std::function<std::optional<qint64>(const QString &path)>;
void setFreeSpaceQuery(FreeSpaceQuery query);
} // namespace Platform

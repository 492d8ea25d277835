#pragma once

#include <QtGlobal>

namespace Platform {
// Writes all `size` bytes at `data` to the descriptor `fd`, going on after signals and short
// writes. False on an error, and when the system takes no byte at all, which would otherwise
// loop for ever.
bool writeAll(int fd, const char *data, qint64 size);
} // namespace Platform

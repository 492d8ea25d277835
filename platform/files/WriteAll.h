#pragma once

#include <QtGlobal>

namespace Platform {
// Writes all `size` bytes at `data` to the descriptor `fd`, going on after signals and short
// writes. False on an error, and when the system takes no byte at all, which would otherwise
// loop for ever.
bool writeAll(int fd, const char *data, qint64 size);

// Copies exactly `size` bytes from the current offset of `in` into `out` at its current offset,
// never reading on to the end of a file that has grown; a large file then goes on its way to the
// disk. False on an error, and when `in` ends sooner.
bool copyAll(int in, int out, qint64 size);
} // namespace Platform

#pragma once

#include <string>

namespace Platform {
// Moves the file `source` to `target` (both in the \\?\ form), replacing whatever file or link
// stands at `target`, never what a link points to, and writes the move through to the disk. A
// read-only file there (an earlier run may have left one so) is made writable first; a folder or
// a reparse point there is never replaced.
bool moveOver(const std::wstring &source, const std::wstring &target);
} // namespace Platform

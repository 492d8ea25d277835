#pragma once

#include <QString>

namespace Platform {
// A file being written gets its final name only once it is complete; until then it carries a
// name that starts with this prefix, beside its target. A name of that kind that is still
// there when a later run comes by belongs to a write that was killed.
inline constexpr char partialFilePrefix[] = ".duskmere-partial-";

// A fresh name of that kind: a file name only, to be put in the folder of the file it stands for.
QString partialFileName();

// Removes the leftovers of killed writes in `folder`, read-only ones too. Folders are left
// alone, and so are names that a running write still holds open where the system keeps them.
void removePartialFiles(const QString &folder);

// The same in the folder open as the descriptor `folder` (Linux).
void removePartialFilesIn(int folder);
} // namespace Platform

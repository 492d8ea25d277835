#pragma once

#include <atomic>

// The file system that this process's calls behave as if on: where anonymous files cannot be
// named (linkat refused), or FAT, which makes none at all (O_TMPFILE refused) and has no hard
// links, no renaming without replacing and no Unix modes beyond the read-only attribute (fchmod
// refused).
// Unix only; Windows ignores it.
enum class FileSystemLike { Usual, NoAnonymousFiles, Fat };
extern FileSystemLike fileSystemLike;
// The next so many exclusive creations of a file by name meet one already there, as a random
// name may. Unix only.
extern std::atomic<int> namesTaken;
// A kernel that refuses openat2 (before Linux 5.6, or a sandbox's filter): the program then walks
// one folder at a time, and remembers so for the rest of the process. Unix only.
extern std::atomic<bool> withoutOpenat2;

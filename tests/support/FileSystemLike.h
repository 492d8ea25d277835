#pragma once

// The file system that this process's calls behave as if on: where anonymous files cannot be
// named (linkat refused), or FAT, which also has no hard links and no renaming without replacing.
// Unix only; Windows ignores it.
enum class FileSystemLike { Usual, NoAnonymousFiles, Fat };
extern FileSystemLike fileSystemLike;

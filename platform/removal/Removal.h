#pragma once

#include <QString>

#include <functional>

namespace Platform {
// A symbolic link or a junction at `path`, which the installer removes as itself and never
// follows, whatever it points to.
bool isLink(const QString &path);

// Removes the file or the link at `path`, a read-only file too, but never a real directory and
// never what a link points to. True when nothing is left at `path`.
bool removeFileOrLink(const QString &path);

// Removes the folder at `path` with everything visible below it (hidden entries stay, and so
// does the folder that holds one); a link at `path` goes as a link, a file there stays. Each
// entry is removed relative to the folder it was listed in, held open since it was found a real
// folder and not a link, so a folder that another process swaps for a link meanwhile is removed
// as that link and nothing behind it is touched. `beforeEachEntry` runs before each entry, the
// window's chance to draw. True when nothing is left at `path`.
bool removeTree(const QString &path, const std::function<void()> &beforeEachEntry);
} // namespace Platform

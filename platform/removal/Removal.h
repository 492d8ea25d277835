#pragma once

#include <QString>

namespace Platform {
// A symbolic link or a junction at `path`, which the installer removes as itself and never
// follows, whatever it points to.
bool isLink(const QString &path);

// Removes the file or the link at `path`, a read-only file too, but never a real directory and
// never what a link points to. True when nothing is left at `path`.
bool removeFileOrLink(const QString &path);
} // namespace Platform

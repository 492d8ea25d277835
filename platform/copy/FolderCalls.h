#pragma once

#include <QByteArray>

// The Linux copier works in the folders of the install tree through descriptors, reached from the
// root down, so that a folder swapped for a link while it runs is never followed out of the tree:
// names are made, given and removed relative to the folder's descriptor.
namespace Platform {
// A descriptor of the folder `relative` (clean, '/'-separated, empty for `root` itself) below
// the folder open as `root`, reached without following any link on the way: a link or a file
// standing where a folder belongs is removed as itself and a folder made in its place, and
// missing folders are created. -1 on failure, with errno set.
int openFolderBeneath(int root, const QByteArray &relative);

// Gives the complete anonymous file open as `fd` the name `name` in `folder`; never replaces an
// existing one (Exists). Unsupported where the file system cannot name anonymous files (or, without
// /proc, the process lacks the privilege to).
enum class LinkResult { Linked, Exists, Failed, Unsupported };
LinkResult nameAnonymousFile(int fd, int folder, const char *name);

// Renames `from` in `fromFolder` to `to` in `toFolder`, never replacing an existing `to`.
bool renameNoReplace(int fromFolder, const char *from, int toFolder, const char *to);

// Removes the file or the link `name` in `folder`, a read-only file too, never a folder. True
// when nothing is left there.
bool clearName(int folder, const char *name);
} // namespace Platform

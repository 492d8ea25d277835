#pragma once

#include "StagedFile.h"

#include <QString>

#include <memory>
#include <optional>

namespace Platform {
class DataTree;

// The install copy of single files of the data tree below a root folder. A target appears under
// its name only once it is complete, even if the process dies half way; the temporaries that a
// killed earlier run left in a folder go when the copy first comes there. Every byte named is
// durable once sync() has returned: on Linux one sync of each file system at the end buys that
// for the whole run, on Windows each file is flushed before it gets its name. The root may be
// reached through a link; below it the copy works relative to the folders it has opened and
// checked, so a folder swapped for a link, even while the copy runs, is never followed: the link
// is removed as itself and a folder made in its place. Target paths are absolute and clean, the
// root or below it; anything else fails. Copying is split in two so that several files can be
// copied at once while they get their names one by one: stage() may run on several threads at
// a time, everything else on one thread.
class FileCopier
{
public:
    // Copies files of `source`, which must outlive it, below `targetRoot`.
    FileCopier(const DataTree &source, const QString &targetRoot);
    ~FileCopier();
    FileCopier(const FileCopier &) = delete;
    FileCopier &operator=(const FileCopier &) = delete;

    // Makes `folder` (the root or a folder below it) a folder, with its parents: a file or a link
    // standing in the way below the root goes.
    bool makeFolder(const QString &folder);

    // Copies the file `source` of the data tree (its path below the tree's folder) into a
    // temporary in the folder of `target`, made where missing, with the permission bits (on
    // Windows the attributes, read-only included, and the time of the last change). Only as many
    // bytes as the walk counted are read, from the file itself, never through a link. What stands
    // at `target` itself is left alone.
    StagedFile stage(const QString &source, const QString &target);

    // Gives a staged file the name of its target in the folder that the target's path leads to
    // now: a file or a link standing there goes first (a read-only file too), a folder makes it
    // fail. On failure nothing is left of the staged file.
    bool replace(StagedFile &file);

    // stage() and replace() in one, telling the bytes copied through `size`.
    bool copy(const QString &source, const QString &target, qint64 *size = nullptr);

    // Makes every byte named so far durable on the file systems that hold the copies.
    bool sync();

    // Whether the root's path still leads to the folder that the copy has held as the root
    // since it first came there. The root is found once (through the links on its way, such as
    // a Documents folder that lies elsewhere); a folder moved aside meanwhile keeps what was
    // named in it, but that is no install.
    bool rootInPlace();

    // The first folder below the root (its path below it) that files were given their names in
    // and that its path no longer leads to: moved aside, those files are no longer installed.
    // Nothing on Windows, where the copy holds its folders so that none can be moved.
    std::optional<QString> folderMovedAside();

    // How many files are worth copying at once into `folder`: on Windows one where the disk pays
    // for seeks, elsewhere a few per processor.
    static int parallelCopies(const QString &folder);

private:
    static bool makeRoot(const QString &root);

    struct Private;
    std::unique_ptr<Private> d;
};
} // namespace Platform

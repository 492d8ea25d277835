#pragma once

#include <QString>

#include <memory>

namespace Platform {
class DataTree;
class FileCopier;

// A file copied into a temporary beside its target, waiting for its name. Dropping one that was
// not placed removes its temporary.
class StagedFile
{
public:
    StagedFile();
    ~StagedFile();
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) noexcept;

    // False when the copy failed; nothing is then left of it.
    bool ok() const { return d != nullptr; }
    // Whether it failed because its source is no longer the regular file the walk counted (a
    // link, a FIFO, a device, a file of another size), rather than for want of reading or writing.
    bool sourceChanged() const { return changed; }
    // The bytes copied.
    qint64 size() const;

private:
    friend class FileCopier;
    struct Private;
    std::unique_ptr<Private> d;
    bool changed = false;
};

// The install copy of single files below a root folder. A target appears under its name only once
// it is complete, even if the process dies half way; durability is bought once per run, not once
// per file. The temporaries that a killed earlier run left in a folder go when the copy first
// comes there. The root may be reached through a link; below it the copy works relative to the
// folders it has opened and checked, so a folder swapped for a link, even while the copy runs,
// is never followed: the link is removed as itself and a folder made in its place. Paths given
// to it are absolute and clean, the root or below it; anything else fails. Copying is split in
// two so that several files can be copied at once while they get their names one by one: stage()
// may run on several threads at a time, everything else on one thread.
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

    // Removes the file or the link at `target`, a read-only file too, never a folder. True when
    // nothing is left there.
    bool clear(const QString &target);

    // Copies the file `source` of the data tree (its path below the tree's folder) into a
    // temporary in the folder of `target`, with the permission bits (on Windows the attributes,
    // read-only included, and the time of the last change). Only as many bytes as the walk
    // counted are read, from the file itself, never through a link. What stands at `target`
    // itself is left alone.
    StagedFile stage(const QString &source, const QString &target);

    // Gives a staged file the name of its target, which must not exist (nothing is overwritten).
    // On failure nothing is left of it.
    bool place(StagedFile &file);

    // stage() and place() in one, telling the bytes copied through `size`.
    bool copy(const QString &source, const QString &target, qint64 *size = nullptr);

    // Makes every byte placed so far durable on the file systems that hold the copies.
    bool sync();

    // Whether the root's path still leads to the folder that the copy has held as the root
    // since it first came there. The root is found once (through the links on its way, such as
    // a Documents folder that lies elsewhere); a folder moved aside meanwhile keeps what was
    // placed in it, but that is no install.
    bool rootInPlace();

    // How many files are worth copying at once into `folder`: one on a rotating disk, where
    // parallel writes only add seeks.
    static int parallelCopies(const QString &folder);

private:
    friend class StagedFile;
    static bool makeRoot(const QString &root);

    struct Private;
    std::unique_ptr<Private> d;
};
} // namespace Platform

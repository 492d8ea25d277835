#pragma once

#include <QString>

#include <memory>

namespace Platform {
// The install copy of single files below a root folder. A target appears under its name only once
// it is complete, even if the process dies half way; durability is bought once per run, not once
// per file. The temporaries that a killed earlier run left in a folder go when the copy first
// comes there. The root may be reached through a link; below it the copy works relative to the
// folders it has opened and checked, so a folder swapped for a link, even while the copy runs,
// is never followed: the link is removed as itself and a folder made in its place. Paths given
// to it are absolute and clean, the root or below it; anything else fails.
class FileCopier
{
public:
    explicit FileCopier(const QString &targetRoot);
    ~FileCopier();
    FileCopier(const FileCopier &) = delete;
    FileCopier &operator=(const FileCopier &) = delete;

    // Makes `folder` (the root or a folder below it) a folder, with its parents: a file or a link
    // standing in the way below the root goes.
    bool makeFolder(const QString &folder);

    // Removes the file or the link at `target`, a read-only file too, never a folder. True when
    // nothing is left there.
    bool clear(const QString &target);

    // Copies `source` to `target`, which must not exist (nothing is overwritten). Copies the
    // permission bits (on Windows the attributes, read-only included, and the time of the last
    // change), and tells the bytes copied through `size`. False on failure, with nothing left at
    // `target`.
    bool copy(const QString &source, const QString &target, qint64 *size = nullptr);

    // Makes every byte copied so far durable on the file systems that hold the copies.
    bool sync();

private:
    static bool makeRoot(const QString &root);

    struct Private;
    std::unique_ptr<Private> d;
};
} // namespace Platform

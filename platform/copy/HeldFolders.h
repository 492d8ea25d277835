#pragma once

#include "HeldFolder.h"

#include <QString>

#include <memory>
#include <utility>

namespace Platform {
// The folders below a root that files are copied into. Each is reached from the root down without
// following links (a link or a file standing where a folder belongs is removed as itself and a
// folder made in its place), swept of the leftovers of killed copies the first time, and held
// while a token for it lives: by its descriptor on Linux, on Windows by a handle that does not
// share deletion, so that there it can be neither renamed nor removed meanwhile. The root is
// found once, through the links on its way (a Documents folder that lies elsewhere), and held to
// the end. Safe to use from several threads.
class HeldFolders
{
public:
    explicit HeldFolders(const QString &root);
    ~HeldFolders();
    HeldFolders(const HeldFolders &) = delete;
    HeldFolders &operator=(const HeldFolders &) = delete;

    // The folder `relative` (clean, '/'-separated, empty for the root), made where missing and
    // held, with the folders above it on Windows, while the token lives; empty on failure.
    HeldFolder acquire(const QString &relative);

    // The folder `relative` as its path leads to it now, which may not be the one held so far: a
    // folder may have been moved aside and another put in its place meanwhile. Windows holds
    // its folders, so there it is the held one.
    HeldFolder findNow(const QString &relative);

    // Whether the root's path still leads to the folder held as the root.
    bool rootInPlace();

    // Makes durable what was written in the folders since the last time: on Linux every file
    // system met, with the write-back errors since; on Windows the folders, for the names made
    // there (each file is flushed before it gets its name).
    bool sync();

    // The folder part of a relative path (empty for the root) and the name in it.
    static std::pair<QString, QString> folderAndName(const QString &relative);

private:
    friend class HeldFolder;
    void release(const QString &relative);

    struct Private;
    std::unique_ptr<Private> d;
};
} // namespace Platform

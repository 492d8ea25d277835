#pragma once

#include "EntryWatch.h"
#include "HeldFolder.h"

#include <QString>

#include <optional>
#include <set>
#include <utility>

namespace Platform {
class HeldFolders;

// The folder that the Linux copy gives names in, as its path leads to it now. Finding it anew for
// every file (a walk from the root that refuses links) costs more than naming the file; so the one
// found is kept from one file to the next while no folder entry on its path has changed: every
// folder from the root down to the one above it is watched before the next is opened, so a
// folder moved aside or swapped for a link anywhere on the way shows, and the path is walked
// again. The root itself is held by the copy, wherever it goes. Used by one thread.
class NamingFolder
{
public:
    explicit NamingFolder(HeldFolders &folders)
        : folders(folders)
    { }

    // The folder `relative` (clean, '/'-separated, empty for the root) at its path now, made
    // where missing as HeldFolders::findNow() makes it; empty on failure. It stays valid until
    // the next call.
    const HeldFolder &at(const QString &relative);

    // The first folder below the root that at() gave, whose path now leads to another folder or
    // to none: what was named in it has left the install with it. Nothing when all are in place.
    // It makes and removes nothing on the way.
    std::optional<QString> movedAside();

private:
    bool watchAbove(const QString &relative);
    void forget();

    HeldFolders &folders;
    EntryWatch watch;
    // False once the system refused a watch, or the folders changed too often: each file then
    // walks its path.
    bool watching = true;
    int changes = 0;
    static constexpr int maxChanges = 16;
    std::set<QString> watched; // the folders whose entries are watched, below the root
    QString name;
    HeldFolder found;
    bool kept = false; // whether `found` is the folder at `name` while nothing changed
    // Every folder given, by its path below the root and its device and inode then.
    std::set<std::pair<QString, std::pair<quint64, quint64>>> given;
};
} // namespace Platform

#pragma once

#include "platform/files/FileHandle.h"

#include <QString>

#include <map>
#include <mutex>

namespace Platform {
class DataTree;

// The folders of the data tree that the Windows copier reads from, each opened as itself from the
// tree's folder down the first time a file of it is read, and held without sharing deletion to
// the end of the copy: none of them can be swapped for a link meanwhile, so the path of a source
// leads through the folders that were checked. Safe to use from several threads.
class SourceFolders
{
public:
    explicit SourceFolders(const DataTree &tree)
        : tree(tree)
    { }

    // Whether `relative` (a folder below the tree, empty for its own) and those above it are
    // folders of their own, now held.
    bool enter(const QString &relative);

private:
    bool enterLocked(const QString &relative);

    const DataTree &tree;
    std::mutex mutex; // for all below
    std::map<QString, FileHandle> held;
};
} // namespace Platform

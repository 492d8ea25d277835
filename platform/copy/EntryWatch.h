#pragma once

#include "platform/files/FileDescriptor.h"

namespace Platform {
// Tells whether a folder was moved, removed or put in place in any of a set of watched folders
// (Linux, through inotify) since each was watched. Asking costs one system call that finds
// nothing, far less than finding a folder again by its path; files coming and going do not
// count. Used by one thread.
class EntryWatch
{
public:
    // Starts watching the folder open as `folder`. False where the system refuses (no /proc,
    // too many watches): then the watch cannot tell for that folder.
    bool add(int folder);

    // False once a folder entry changed in a watched folder, or a watch may have been lost,
    // until reset().
    bool unchanged();

    // Drops every watch and what they saw.
    void reset();

private:
    FileDescriptor queue;
    bool changed = false;
};
} // namespace Platform

#pragma once

#include <QString>

#include <map>
#include <mutex>
#include <set>
#include <windows.h>

namespace Platform {
// Whether the handle opened as itself is a folder of its own: a symbolic link or a junction
// stands for another folder, while a cloud placeholder or another reparse point that is not a
// name surrogate is a folder of its own. Wine shows a host's link without a tag.
bool isRealFolder(HANDLE folder);

// The folders below a root that the Windows copier writes in, opened as themselves from the root
// down (a link or a file standing where a folder belongs is removed and a folder made in its
// place) and held without sharing deletion while any file copied there waits for its name: none
// of them can be renamed, removed or swapped for a link meanwhile. Each is swept of leftovers the
// first time. Safe to use from several threads.
class HeldFolders
{
public:
    explicit HeldFolders(const QString &root);
    ~HeldFolders();
    HeldFolders(const HeldFolders &) = delete;
    HeldFolders &operator=(const HeldFolders &) = delete;

    // The path of the folder `relative` below the root.
    QString pathOf(const QString &relative) const;
    // The folder that holds `relative`, relative to the root too.
    static QString folderOf(const QString &relative);

    // Holds the folder `relative` below the root, and every folder above it, until it is released
    // as often as it was acquired.
    bool acquire(const QString &relative);
    void release(const QString &relative);

    // Whether the root's path still leads to the folder held as the root: it is held from the
    // first time it is acquired to the end, so on Windows it cannot go, but a file system may
    // let it.
    bool rootInPlace();

    // Flushes every folder held since the last time, for the names made there. Some file systems
    // refuse to flush a folder; the names are then as safe as that file system makes them.
    void flushFolders();

private:
    bool acquireLocked(const QString &relative);
    void releaseLocked(const QString &relative);

    struct Held
    {
        HANDLE handle;
        int users;
    };

    const QString root;
    std::mutex mutex; // for all below
    std::map<QString, Held> held;
    std::set<QString> entered;
    // The root's identity once it was first held: volume serial number and file index.
    bool rootKnown = false;
    DWORD rootVolume = 0;
    quint64 rootIndex = 0;
};
} // namespace Platform

#pragma once

#include <QStringList>

// The one folder of a running process below the temporary folder, "<kind>-run<pid>", that holds
// all its scratch data (the sandboxes of a test program, the trees of a benchmark), so that what
// a run killed half way leaves is found by the next: the first call in a process removes the
// folders of that kind whose run has ended, unmounting first whatever is mounted in them. A run
// shows that it is alive by a lock it holds in its folder until it ends, which a reused process
// id cannot fake. Shared by the tests and the benchmarks.
class RunFolder
{
public:
    // This process's folder of that kind below `base` (the temporary folder when empty), made on
    // first use; removed at the end of the process.
    static QString path(const QString &kind, const QString &base = {});
    // Removes a tree by the bytes of its names (a name that is not UTF-8 goes too), never
    // following a link, after unmounting what is mounted below it. True when it is gone.
    static bool removeTree(const QString &path);
    // Leaves the removal of this process's folders made so far to a watcher that outlives the
    // process however it ends (on Unix; elsewhere the next run clears them). Call it before any
    // thread starts.
    static void removeWhenProcessEnds();

private:
    static void removeDeadRuns(const QString &kind, const QString &base);
    static void removeOwnFolders();

    // What differs between systems (runfolder_unix.cpp, runfolder_win.cpp).
    static bool removeAll(const QString &path); // by the names as the system has them
    static bool isPrivateFolder(const QString &path); // a folder, not a link, ours alone
    static void holdLock(const QString &folder); // until the process ends
    static void releaseLocks(); // as it ends, to remove its folders
    static bool isAlive(const QString &folder, qint64 pid); // its lock or its process
    static void unmountBelow(const QString &path);
    static void watchForEnd(const QStringList &folders);
};

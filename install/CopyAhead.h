#pragma once

#include "platform/copy/FileCopier.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Copies the files of a list ahead of the one whose turn it is, on threads of its own, into
// temporaries beside their targets; the caller takes them one by one in the list's order and
// gives them their names. Waiting for the system (creating, writing, closing files) then overlaps
// across files, while what becomes visible under a final name still comes strictly in order. At
// most a fixed number of files are copied and not yet taken, so neither memory nor descriptors
// grow with the list. Whatever it still holds when it goes (after a failure or a quit) is removed
// with it.
class CopyAhead
{
public:
    struct Job
    {
        QString source; // below the data tree
        QString target;
        qint64 size = 0; // as the walk counted it
    };

    // `threads` copies at once, never more than `ahead` files before the one taken last.
    CopyAhead(Platform::FileCopier &copier, std::vector<Job> jobs, int threads, int ahead);
    ~CopyAhead();
    CopyAhead(const CopyAhead &) = delete;
    CopyAhead &operator=(const CopyAhead &) = delete;

    // The copy of the next job in the list, waiting for it.
    Platform::StagedFile takeNext();

    // The job taken last, copied again with nothing copied ahead of it: what was copied ahead may
    // be what made its copy or its naming fail (the space it took on a full disk). Copying ahead
    // goes on from there.
    Platform::StagedFile againAlone();

    // Stops copying and removes what was copied and not taken.
    void stop();

private:
    void copyJobs();
    size_t room() const;
    size_t refill() const;
    bool readyToTake() const;

    Platform::FileCopier &copier;
    const std::vector<Job> jobs;
    const size_t ahead;

    std::mutex mutex; // for all below
    std::condition_variable copied;
    std::condition_variable taken;
    std::vector<Platform::StagedFile> files; // each job's, once copied, until taken
    std::vector<bool> done;
    size_t nextToCopy = 0;
    size_t nextToTake = 0;
    size_t waitingUpTo = 0; // the worker waits until the jobs before it are done; 0: it does not
    int copying = 0;
    bool paused = false;
    bool stopping = false;

    std::vector<std::thread> threads;
};

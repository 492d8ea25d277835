#include "CopyAhead.h"

#include "platform/system/ThreadPriority.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace {
// What counts as a small file, and how many of them the worker waits for at once.
constexpr qint64 smallFile = 64 * 1024;
constexpr size_t smallBatch = 8;
} // namespace

CopyAhead::CopyAhead(Platform::FileCopier &copier, std::vector<Job> jobs, int threads, int ahead)
    : copier(copier)
    , jobs(std::move(jobs))
    , ahead(size_t(std::max(ahead, 1)))
    , files(this->jobs.size())
    , done(this->jobs.size(), false)
{
    const size_t count = std::min(size_t(std::max(threads, 1)), this->jobs.size());
    try {
        for (size_t i = 0; i < count; ++i)
            this->threads.emplace_back([this] { copyJobs(); });
    } catch (const std::system_error &) {
        // Fewer threads, or none: then each file is copied when it is taken.
    }
}

CopyAhead::~CopyAhead()
{
    stop();
}

void CopyAhead::copyJobs()
{
    // The threads together could otherwise keep the window from drawing the progress.
    Platform::lowerCurrentThreadPriority();
    std::unique_lock lock(mutex);
    for (;;) {
        // A thread that ran out of room sleeps until there is room for a few files, so that one
        // wake-up buys several copies rather than one each time the worker takes a file.
        if (room() == 0)
            taken.wait(lock, [this] { return stopping || room() >= refill(); });
        if (stopping)
            return;
        const size_t job = nextToCopy++;
        ++copying;
        lock.unlock();
        Platform::StagedFile file = copier.stage(jobs[job].source, jobs[job].target);
        lock.lock();
        files[job] = std::move(file);
        done[job] = true;
        --copying;
        // The one waiting is woken only for what it waits for: the files from the one whose turn
        // it is, or the last copy running while it pauses. Waking it for every file costs more
        // than a copy.
        if ((waitingUpTo != 0 && readyToTake()) || (paused && copying == 0)) {
            lock.unlock();
            copied.notify_one();
            lock.lock();
        }
    }
}

Platform::StagedFile CopyAhead::takeNext()
{
    std::unique_lock lock(mutex);
    if (stopping || nextToTake == jobs.size())
        return {};
    const size_t job = nextToTake;
    if (threads.empty()) {
        ++nextToTake;
        lock.unlock();
        return copier.stage(jobs[job].source, jobs[job].target);
    }
    if (!done[job]) {
        // Waking up costs the worker and the thread that wakes it about as much as copying a
        // small file; so a wait for a small file lasts until the small files after it are
        // copied too, up to a few, which then go by without a wait.
        const size_t last = std::min({jobs.size(), job + smallBatch, job + ahead});
        waitingUpTo = job + 1;
        if (jobs[job].size <= smallFile)
            while (waitingUpTo < last && jobs[waitingUpTo].size <= smallFile)
                ++waitingUpTo;
        copied.wait(lock, [this] { return readyToTake(); });
        waitingUpTo = 0;
    }
    ++nextToTake;
    // One thread is enough for the room there is: a thread that is busy looks for more before it
    // waits, so none is left to sleep while there is work.
    const bool wake = room() >= refill();
    Platform::StagedFile file = std::move(files[job]);
    lock.unlock();
    if (wake)
        taken.notify_one();
    return file;
}

// How many jobs may be started now.
size_t CopyAhead::room() const
{
    const size_t limit = std::min(jobs.size(), nextToTake + ahead);
    return paused || nextToCopy >= limit ? 0 : limit - nextToCopy;
}

// The room a sleeping thread waits for: a few jobs, or the last ones.
size_t CopyAhead::refill() const
{
    return std::max<size_t>(1, std::min(ahead / 4, jobs.size() - nextToCopy));
}

// Whether the files the worker waits for are there (or never will be).
bool CopyAhead::readyToTake() const
{
    if (stopping)
        return true;
    for (size_t job = nextToTake; job < waitingUpTo; ++job)
        if (!done[job])
            return false;
    return true;
}

Platform::StagedFile CopyAhead::againAlone()
{
    std::unique_lock lock(mutex);
    if (stopping || nextToTake == 0)
        return {};
    paused = true;
    copied.wait(lock, [this] { return copying == 0; });
    std::vector<Platform::StagedFile> aheadOfIt;
    for (size_t job = nextToTake; job < nextToCopy; ++job) {
        aheadOfIt.push_back(std::move(files[job]));
        done[job] = false;
    }
    nextToCopy = nextToTake;
    lock.unlock();
    aheadOfIt.clear(); // their temporaries go first
    const Job &job = jobs[nextToTake - 1];
    Platform::StagedFile file = copier.stage(job.source, job.target);
    lock.lock();
    paused = false;
    taken.notify_all();
    return file;
}

void CopyAhead::stop()
{
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    taken.notify_all();
    for (std::thread &thread : threads)
        thread.join();
    threads.clear();
    // Their temporaries go with them.
    std::vector<Platform::StagedFile>().swap(files);
}

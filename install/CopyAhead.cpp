#include "CopyAhead.h"

#include "platform/system/ThreadPriority.h"

#include <algorithm>
#include <system_error>
#include <utility>

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
        taken.wait(lock, [this] {
            return stopping || (!paused && nextToCopy < std::min(jobs.size(), nextToTake + ahead));
        });
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
        // The one waiting is woken only for what it waits for: the file whose turn it is, or the
        // last copy running while it pauses. Waking it for every file costs more than a copy.
        if (job == nextToTake || (paused && copying == 0)) {
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
    copied.wait(lock, [&] { return done[job]; });
    ++nextToTake;
    // One more file may be copied ahead: one thread is enough for it. A thread that is busy looks
    // for more before it waits, so none is left to sleep while there is work.
    const bool room = nextToCopy < std::min(jobs.size(), nextToTake + ahead);
    Platform::StagedFile file = std::move(files[job]);
    lock.unlock();
    if (room)
        taken.notify_one();
    return file;
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

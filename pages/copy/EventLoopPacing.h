#pragma once

#include <QMetaObject>

class QThread;

// Paces the event loop of the thread that makes it while a worker runs: each time the loop is
// about to wait for events, it first sleeps a millisecond. A worker that reports every file by
// queued signals would otherwise wake the thread once or twice a file, and a wake-up costs both
// threads more than handling the signals does; the woken thread also takes a processor from the
// worker. Paced, the thread handles whatever arrived meanwhile in one go, at most about a
// thousand times a second. Nothing is dropped or reordered, and nothing waits longer than the
// sleep. Pacing ends when the worker has finished, or with this object. Where the platform does
// not sleep so (Windows), the loop is not paced.
class EventLoopPacing
{
public:
    explicit EventLoopPacing(const QThread *worker);
    ~EventLoopPacing();
    EventLoopPacing(const EventLoopPacing &) = delete;
    EventLoopPacing &operator=(const EventLoopPacing &) = delete;

    // How many times the loop has slept so far.
    int sleeps() const { return sleepCount; }

private:
    QMetaObject::Connection connection;
    int sleepCount = 0;
};

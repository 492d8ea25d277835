#include "EntryWatch.h"

#include <QByteArray>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
// A folder's entry can only change by a move (a swap included) or a removal of a folder in its
// parent: files and links may come and go, the copy itself makes and clears them.
constexpr uint32_t folderEvents = IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE;
} // namespace

bool Platform::EntryWatch::add(int folder)
{
    if (!queue.valid())
        queue.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!queue.valid())
        return false;
    // The watch is set by path; the descriptor's own entry in /proc is one that leads to it now.
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(folder);
    return ::inotify_add_watch(queue.get(), path.constData(), folderEvents | IN_ONLYDIR) >= 0;
}

bool Platform::EntryWatch::unchanged()
{
    alignas(inotify_event) char events[4096];
    while (!changed && queue.valid()) {
        const ssize_t size = ::read(queue.get(), events, sizeof events);
        if (size < 0) {
            if (errno == EAGAIN)
                break;
            changed = errno != EINTR;
            continue;
        }
        for (ssize_t at = 0; at < size;) {
            const auto *event = reinterpret_cast<const inotify_event *>(events + at);
            // IN_IGNORED: a watched folder is gone; IN_Q_OVERFLOW: events were lost.
            if ((event->mask & IN_ISDIR)
                || (event->mask & (IN_IGNORED | IN_Q_OVERFLOW | IN_UNMOUNT)))
                changed = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    return !changed;
}

void Platform::EntryWatch::reset()
{
    queue.reset();
    changed = false;
}

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// How long this thread's event loop goes unanswered: the longest pause between two ticks of a
// 10 ms timer, from construction on. 20 ms means a tick 10 ms late.
class TickGaps
{
public:
    TickGaps()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            longest = std::max(longest, clock.nsecsElapsed() - lastTick);
            lastTick = clock.nsecsElapsed();
        });
        ticker.start(10);
        clock.start();
    }

    double seconds() const { return clock.nsecsElapsed() / 1e9; }
    double longestMilliseconds() const
    {
        return std::max(longest, clock.nsecsElapsed() - lastTick) / 1e6;
    }

private:
    QTimer ticker;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longest = 0;
};

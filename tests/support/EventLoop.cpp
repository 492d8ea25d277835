#include "EventLoop.h"

#include <QCoreApplication>
#include <QTimer>

int EventLoop::runUntilExit(const std::function<void()> &start, int timeoutMs)
{
    // exit() makes every loop started after it return at once until the next exec(); running
    // the scenario inside exec() keeps one test's ending from leaking into the next.
    QTimer::singleShot(0, qApp, start);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(TimedOut); });
    watchdog.start(timeoutMs);
    return QCoreApplication::exec();
}

bool EventLoop::requestsQuit(const std::function<void()> &action)
{
    constexpr int KeptRunning = 4242;
    // Reached only if the action did not end the loop: a quit request ends it as soon as control
    // is back in the loop. A timer of this frame, so that it cannot fire into a later loop.
    QTimer keptRunning;
    keptRunning.setSingleShot(true);
    QObject::connect(&keptRunning, &QTimer::timeout, qApp,
                     [] { QCoreApplication::exit(KeptRunning); });
    const int code = runUntilExit([&] {
        action();
        keptRunning.start(50);
    });
    return code != KeptRunning;
}

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

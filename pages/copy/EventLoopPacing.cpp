#include "EventLoopPacing.h"

#include "platform/system/Sleep.h"

#include <QAbstractEventDispatcher>
#include <QThread>

EventLoopPacing::EventLoopPacing(const QThread *worker)
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // The worker is the context: the connection goes with it, should it go first.
    connection = QObject::connect(
        dispatcher, &QAbstractEventDispatcher::aboutToBlock, worker,
        [this, worker] {
            if (worker->isRunning() && Platform::sleepOneMillisecond())
                ++sleepCount;
        },
        Qt::DirectConnection);
}

EventLoopPacing::~EventLoopPacing()
{
    QObject::disconnect(connection);
}

#include "EventPump.h"

#include <QCoreApplication>

void EventPump::pump()
{
    if (sinceLast.isValid() && sinceLast.nsecsElapsed() < 1000000)
        return;
    QCoreApplication::processEvents();
    sinceLast.start();
}

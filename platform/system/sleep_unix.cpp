#include "Sleep.h"

#include <QThread>

void Platform::sleepMs(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

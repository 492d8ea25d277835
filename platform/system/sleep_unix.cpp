#include "Sleep.h"

#include <QThread>

void Platform::sleepMs(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool Platform::sleepOneMillisecond()
{
    QThread::usleep(1000);
    return true;
}

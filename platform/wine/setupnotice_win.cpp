#include "SetupNotice.h"

QString Platform::setupNotice()
{
    return QString();
}

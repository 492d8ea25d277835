#include "PartialFiles.h"

#include <QRandomGenerator>

QString Platform::partialFileName()
{
    return QLatin1String(partialFilePrefix)
        + QString::number(QRandomGenerator::global()->generate64(), 36);
}

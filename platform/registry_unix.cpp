#include "Registry.h"

QString Platform::registryString(const QString &, const QString &)
{
    return QString(); // the Wine registry reader is not written yet
}

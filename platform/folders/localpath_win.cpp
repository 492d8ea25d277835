#include "LocalPath.h"

QString Platform::localPath(const QString &configuredPath)
{
    return configuredPath; // Windows takes its own paths as they are
}

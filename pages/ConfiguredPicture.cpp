#include "ConfiguredPicture.h"

#include "platform/LocalPath.h"
#include "platform/RegularFile.h"

QPixmap configuredPicture(const QString &configuredPath)
{
    const QString path = Platform::localPath(configuredPath);
    return Platform::isRegularFile(path) ? QPixmap(path) : QPixmap();
}

#include "ConfiguredPicture.h"

#include "platform/files/RegularFile.h"
#include "platform/folders/LocalPath.h"

QPixmap configuredPicture(const QString &configuredPath)
{
    const QString path = Platform::localPath(configuredPath);
    return Platform::isRegularFile(path) ? QPixmap(path) : QPixmap();
}

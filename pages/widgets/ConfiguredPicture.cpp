#include "ConfiguredPicture.h"

#include "platform/files/RegularFile.h"
#include "platform/folders/LocalPath.h"

namespace {
// Beyond any picture a release ships for a window of a few hundred pixels; the decoder's own
// allocation limit bounds what a small file may unpack to.
constexpr qint64 largestPicture = 64 * 1024 * 1024;
} // namespace

QPixmap configuredPicture(const QString &configuredPath)
{
    QPixmap picture;
    if (const auto bytes =
            Platform::readRegularFile(Platform::localPath(configuredPath), largestPicture))
        picture.loadFromData(*bytes);
    return picture;
}

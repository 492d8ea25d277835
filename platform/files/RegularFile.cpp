#include "RegularFile.h"

#include <QFile>

std::optional<QByteArray> Platform::readRegularFile(const QString &path, qint64 limit,
                                                    FinalLink link)
{
    if (!path.startsWith(QLatin1Char(':')))
        return Detail::readRegularDiskFile(path, limit, link);
    // Resources lie in the program's memory; they cannot change or block.
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly) || resource.size() > limit)
        return std::nullopt;
    return resource.readAll();
}

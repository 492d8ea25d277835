#include "FreeSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace {
Platform::FreeSpaceQuery &replacement()
{
    static Platform::FreeSpaceQuery query;
    return query;
}

std::optional<qint64> systemFreeBytes(const QString &path)
{
    // A Documents folder that is not made yet lies on the partition of its nearest ancestor.
    // The walk ends at the top as well: the root of a drive that is gone (an unplugged disk, a
    // network drive not connected) does not exist and is its own parent.
    QFileInfo existing(path);
    while (!existing.exists() && !existing.filePath().isEmpty()) {
        const QString parent = existing.absolutePath();
        if (parent == existing.absoluteFilePath())
            break;
        existing.setFile(parent);
    }
    const QStorageInfo storage(existing.absoluteFilePath());
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    const qint64 available = storage.bytesAvailable();
    if (available < 0)
        return std::nullopt;
    return available;
}
} // namespace

std::optional<qint64> Platform::freeBytes(const QString &path)
{
    return replacement() ? replacement()(path) : systemFreeBytes(path);
}

void Platform::setFreeSpaceQuery(FreeSpaceQuery query)
{
    replacement() = std::move(query);
}

#include "DataCollector.h"

#include "ByteCount.h"

#include <QFileInfo>

DataCollector::Result DataCollector::collect(const QString &directory,
                                             const std::function<void()> &onEntry)
{
    Result result;
    result.tree = std::make_shared<Platform::DataTree>(directory);
    if (!result.tree->isOpen())
        return result;
    const QString root = result.tree->path();

    // Walking the canonical root without following links means every entry's path is already
    // canonical, unless the entry itself is a link. Resolving only those saves a realpath() per
    // entry, which is most of the walk's cost.
    const QString rootPrefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    result.unreadable = Platform::walkTree(*result.tree, [&](const Platform::TreeEntry &entry) {
        QString path = entry.path;
        if (entry.isLink) {
            path = QFileInfo(entry.path).canonicalFilePath();
            if (path != root && !path.startsWith(rootPrefix))
                result.linkedFrom.insert(path, entry.path);
        }
        if (entry.isFile) {
            if (path.startsWith(rootPrefix))
                result.tree->count(path, {entry.size, entry.identity});
            result.files.append(path);
            result.size = ByteCount::add(result.size, entry.size); // sparse files claim exabytes
        } else {
            result.dirs.append(path);
        }
        onEntry();
    });
    return result;
}

#include "DataCollector.h"

#include "ByteCount.h"

#include <QFileInfo>

DataCollector::Result DataCollector::collect(const QString &directory,
                                             const std::function<void()> &onEntry)
{
    Result result;
    const QString root = QFileInfo(directory).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return result;

    // Walking the canonical root without following links means every entry's path is already
    // canonical, unless the entry itself is a link. Resolving only those saves a realpath() per
    // entry, which is most of the walk's cost.
    result.unreadable = Platform::walkTree(root, [&](const Platform::TreeEntry &entry) {
        const QString path = entry.isLink ? QFileInfo(entry.path).canonicalFilePath() : entry.path;
        if (entry.isFile) {
            result.files.append(path);
            result.size = ByteCount::add(result.size, entry.size); // sparse files claim exabytes
        } else {
            result.dirs.append(path);
        }
        onEntry();
    });
    return result;
}

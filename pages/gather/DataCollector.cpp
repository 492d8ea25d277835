#include "DataCollector.h"

#include "ByteCount.h"

#include <QDir>
#include <QDirIterator>
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
    QDirIterator it(root, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString path = info.isSymLink() ? info.canonicalFilePath() : it.filePath();
        if (info.isFile()) {
            result.files.append(path);
            result.size = ByteCount::add(result.size, info.size()); // sparse files claim exabytes
        } else {
            result.dirs.append(path);
        }
        onEntry();
    }
    return result;
}

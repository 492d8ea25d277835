#include "TreeWalk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

// Windows names are UTF-16 and always readable; the toolkit's walk lists them all. Hidden and
// system entries stay out, links to folders (junctions, symbolic links) are not followed.
std::optional<Platform::UnreadableName>
Platform::walkTree(const DataTree &tree, const std::function<void(const TreeEntry &)> &visit)
{
    // The tree holds its folder, so the path leads to it throughout.
    if (!tree.isOpen())
        return std::nullopt;
    QDirIterator it(tree.path(), QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        TreeEntry entry;
        entry.path = it.filePath();
        entry.isLink = info.isSymLink();
        entry.isFile = info.isFile();
        entry.size = entry.isFile ? info.size() : 0;
        visit(entry);
    }
    return std::nullopt;
}

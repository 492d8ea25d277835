#include "TreeWalk.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Each folder is held before it is listed, and every folder above it already is: the paths that
// the listing and later the copy go by lead through the folders that were walked.
void walkFolder(Platform::DataTree &tree, const QString &folder,
                const std::function<void(const Platform::TreeEntry &)> &visit)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &info : entries) {
        Platform::TreeEntry entry;
        entry.path = info.filePath();
        entry.isLink = info.isSymLink();
        entry.isFile = info.isFile();
        entry.size = entry.isFile ? info.size() : 0;
        const bool inside = info.isDir() && !entry.isLink;
        if (inside)
            tree.holdFolder(entry.path);
        visit(entry);
        if (inside)
            walkFolder(tree, entry.path, visit);
    }
}
} // namespace

// Windows names are UTF-16 and always readable; the toolkit lists them all. Hidden and system
// entries stay out, links to folders (junctions, symbolic links) are not followed.
std::optional<Platform::UnreadableName>
Platform::walkTree(DataTree &tree, const std::function<void(const TreeEntry &)> &visit)
{
    // The tree holds its own folder.
    if (tree.isOpen())
        walkFolder(tree, tree.path(), visit);
    return std::nullopt;
}

#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <mutex>
#include <utility>
#include <vector>

namespace Platform {
// Which file of which file system an entry is: a file moved in from elsewhere under a counted
// name differs, even with the same size. On Windows the file id alone, with a device of 0 (the
// walk does not leave the volume); zero for a link, whose target is checked when it is read.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode;
    }
    bool operator!=(const FileIdentity &other) const { return !(*this == other); }
};

// What the walk counted of one file; a size of -1 for a file it did not count.
struct CountedFile
{
    qint64 size = -1;
    FileIdentity identity;
};

// The mod's data folder as the walk saw it, held from the walk to the end of the copy: the folder
// itself, opened once by its path (a link on the way to it is followed then, as the user chose),
// and every file the walk counted. The walk lists it, and the copy reads each file, relative to
// that descriptor on Linux; on Windows by its path, every folder of the tree held without
// sharing deletion from before the walk lists it. Each file must still be the one counted. So a
// folder or a file of the data swapped for a link or for another meanwhile, or the data folder
// itself moved aside, leads nowhere outside what was walked.
class DataTree
{
public:
    explicit DataTree(const QString &folder);
    ~DataTree();
    DataTree(const DataTree &) = delete;
    DataTree &operator=(const DataTree &) = delete;

    // False when `folder` was no folder to open.
    bool isOpen() const { return native != -1; }
    // Its canonical path as it was opened; the walk's entries start with it.
    QString path() const { return root; }
    // The descriptor of the folder (its HANDLE on Windows), owned by the tree.
    qintptr handle() const { return native; }

    // Holds the folder at `path` below the tree's, opened as itself, to the end of the tree, and
    // gives its handle (-1: no folder of its own, not held). Windows, which reads the data by its
    // paths, then cannot move it away and put another in its place. Not held elsewhere (-1),
    // where the walk goes by descriptors.
    qintptr holdFolder(const QString &path);

    // Counts the file at `path`, the tree's path, '/' and the names below it, as the walk saw it.
    // Counting ends before the first question below.
    void count(const QString &path, const CountedFile &file) { files.emplace_back(path, file); }
    // What the walk counted of the file `relative` (below the folder, '/'-separated); a file it
    // did not count is not to be copied. Safe on several threads.
    CountedFile counted(const QString &relative) const;
    qint64 sizeOf(const QString &relative) const { return counted(relative).size; }

private:
    QString root;
    qintptr native = -1;
    std::vector<qintptr> heldFolders; // their handles (Windows)
    // The walk, on the window's thread, only lists what it counts: the paths are shared with
    // its list of files, and the index to them is built by the first question, on the copy's.
    std::vector<std::pair<QString, CountedFile>> files;
    mutable std::once_flag indexed;
    mutable QHash<QStringView, CountedFile> index; // views into `files`, below the root
};
} // namespace Platform

#pragma once

#include <QHash>
#include <QString>

namespace Platform {
// The mod's data folder as the walk saw it, held from the walk to the end of the copy: the folder
// itself, opened once by its path (a link on the way to it is followed then, as the user chose),
// and the size of every file the walk counted. The walk lists it, and the copy reads each file,
// relative to that descriptor on Linux; on Windows by its path, which the handle, held without
// sharing deletion, keeps leading to it. So a folder of the data swapped for a link meanwhile, or
// the data folder itself moved aside, leads nowhere outside the folder that was walked.
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

    // What the walk counted of the file `relative` (below the folder, '/'-separated): its size,
    // or -1 for a file it did not count, which is then not to be copied.
    void count(const QString &relative, qint64 size) { sizes.insert(relative, size); }
    qint64 sizeOf(const QString &relative) const { return sizes.value(relative, -1); }

private:
    QString root;
    qintptr native = -1;
    QHash<QString, qint64> sizes;
};
} // namespace Platform

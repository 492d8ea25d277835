#pragma once

#include "DataTree.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace Platform {
// One entry that a walk of a folder tree meets.
struct TreeEntry
{
    QString path; // the root's path, "/" and the names below it
    bool isLink = false; // a symbolic link: isFile and size are those of what it leads to
    bool isFile = false; // a regular file; otherwise a folder
    qint64 size = 0;
    FileIdentity identity; // of a file, where the system tells it (Unix)
};

// A name the walk could not turn into text: the folder that holds it and its bytes as they are.
struct UnreadableName
{
    QString folder;
    QByteArray name;
};

// Walks the tree below the folder `tree` holds, from that folder itself, depth first, each folder
// before what it holds and the entries of a folder in the order the file system lists them. On
// Windows the tree holds each folder from before it is listed (DataTree::holdFolder). Hidden
// entries (and what they hold) and entries that are neither file nor folder nor a link to one are
// left out; a link to a folder is met but not followed. Names are file system bytes on Unix: the
// walk stops at the first one that is not valid UTF-8 and returns it, for a walk that passed over
// it would lose a file.
std::optional<UnreadableName> walkTree(DataTree &tree,
                                       const std::function<void(const TreeEntry &)> &visit);

// The name with every byte that is not part of valid UTF-8 written as \xNN.
QString escapedName(const QByteArray &name);
} // namespace Platform

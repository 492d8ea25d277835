#pragma once

#include "FileHandle.h"

#include <QString>

namespace Platform {
// The folder at `path` held without sharing deletion, so that it can be neither renamed nor
// removed while the handle lives: as itself (never what a link there points to) or, for a root
// that the user may have placed elsewhere, through the links on its way.
FileHandle openFolder(const QString &path, bool asItself);

// Whether the handle opened as itself is a folder of its own: a symbolic link or a junction
// stands for another folder, while a cloud placeholder or another reparse point that is not a
// name surrogate is a folder of its own. Wine shows a host's link without a tag.
bool isRealFolder(HANDLE folder);
} // namespace Platform

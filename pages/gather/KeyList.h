#pragma once

#include <QStringList>

// A key list names registry values, one a line: the key path, a backslash, the value name.
namespace KeyList {
// The trimmed, non-empty lines of the file at `path` (Latin-1). When that file cannot be opened,
// is no regular file or is larger than a megabyte, those of `builtIn` instead; an empty file
// that opens is an empty list.
QStringList read(const QString &path, const QString &builtIn);

struct Entry
{
    QString keyPath;
    QString valueName;
};
// Split at the last backslash; a line without one names both key and value.
Entry split(const QString &line);
} // namespace KeyList

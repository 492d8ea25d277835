#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Platform {
// Whether the last name of a path may be a symbolic link (on Windows also a junction or another
// reparse point) that leads to the file. The folders on the way are always followed.
enum class FinalLink { Follow, Refuse };

// The contents of the file at `path` (a resource counts as one), read the one way the program
// reads the files it does not control (ds.conf, key lists, pictures, registry hives, Steam's
// files, the icon). The path is opened without waiting and then checked on what was opened: a
// FIFO would wait for a writer that may never come and a device may never end, so only a regular
// file of at most `limit` bytes is read. Anything else gives nullopt, as a missing file does.
// Checking the path first and opening it afterwards would let a FIFO be put there in between.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit,
                                          FinalLink link = FinalLink::Follow);

namespace Detail {
// readRegularFile for a path on disk, by the system's own calls.
std::optional<QByteArray> readRegularDiskFile(const QString &path, qint64 limit, FinalLink link);
} // namespace Detail
} // namespace Platform

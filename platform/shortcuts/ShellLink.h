#pragma once

#include <QByteArray>
#include <QString>

namespace Platform {
// What a shell link (.lnk) carries. Paths are absolute and native. A null `arguments` or
// `iconPath` leaves that field out of the link.
struct ShellLinkFields
{
    QString target;
    QString workingDirectory;
    QString arguments;
    QString iconPath;
    int iconIndex = 0;
};

// Writes the link file `linkPath` (absolute, native separators). A reader never sees half a
// link. False when anything failed.
bool writeShellLink(const QString &linkPath, const ShellLinkFields &fields);

// Unix: the bytes of that link as the program's own writer makes them; empty when they cannot be
// made.
QByteArray shellLinkBytes(const ShellLinkFields &fields);

// Windows: the shell writes that link into the new file `path`, complete and flushed to disk.
bool saveShellLink(const QString &path, const ShellLinkFields &fields);
} // namespace Platform

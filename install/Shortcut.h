#pragma once

#include <QString>

namespace Platform {
class ShortcutFiles;
struct ShellLinkFields;
} // namespace Platform

// One shortcut to write: the program it starts, with its arguments and icon. Paths may be
// written the Windows way ("C:\Games\UT3\Binaries\UT3.exe"), as the registry gives them.
class Shortcut
{
public:
    Shortcut(const QString &target, const QString &arguments, const QString &iconPath,
             int iconIndex);

    // Stages the link file among the shortcut's `files`, into their `folder`, under the file name
    // of `linkPath`, to be named with the other files of the shortcut. `linkPath` becomes the
    // path the link gets: absolute, native separators, ending in ".lnk". False when the target
    // is missing or the link could not be written; the cause is not told apart.
    bool stage(Platform::ShortcutFiles &files, int folder, QString &linkPath);

    QString target;
    QString arguments;
    QString iconPath;
    int iconIndex;
    bool failed = false;

private:
    // The link's fields and `linkPath` as written, or false when the target is missing.
    bool prepare(QString &linkPath, Platform::ShellLinkFields *fields);
};

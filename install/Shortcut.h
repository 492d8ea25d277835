#pragma once

#include <QString>

// One shortcut to write: the program it starts, with its arguments and icon. Paths may be
// written the Windows way ("C:\Games\UT3\Binaries\UT3.exe"), as the registry gives them.
class Shortcut
{
public:
    Shortcut(const QString &target, const QString &arguments, const QString &iconPath,
             int iconIndex);

    // Writes the link file. `linkPath` becomes the path actually written: absolute, native
    // separators, ending in ".lnk". False when the target is missing or the link could not be
    // written; the cause is not told apart.
    bool create(QString &linkPath);

    QString target;
    QString arguments;
    QString iconPath;
    int iconIndex;
    bool failed = false;
};

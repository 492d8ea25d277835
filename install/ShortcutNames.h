#pragma once

#include <QString>

// The shortcut's names come from ds.conf and are joined to the Desktop and Start Menu folders, so
// each must stay one name there: a value that could climb out ("..\..\Startup"), name a drive
// or a device (CON, COM1.txt) or vanish on Windows (a trailing dot or space) is refused, on every
// system alike, before anything is written for that shortcut.
namespace ShortcutNames {
// Shortcut/Name: one file name; ".lnk" at its end does not count towards it.
bool isFileName(const QString &name);
// Shortcut/GroupName: one to eight file names, separated by "\" or "/", 255 characters at most.
bool isFolderPath(const QString &group);
} // namespace ShortcutNames

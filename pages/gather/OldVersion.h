#pragma once

#include <QString>

// Where an incompatible earlier version of the mod lived: below the game's UTGame folder.
QString oldVersionPath();

// Deletes `path` and everything visible below it. Hidden and system entries are never listed,
// so never deleted; links are removed as links and never followed, even a folder that turns
// into one while it is being emptied. True when nothing is left.
bool removeDirectory(const QString &path);

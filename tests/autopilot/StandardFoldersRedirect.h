#pragma once

#include <QString>

// Moves the Documents, Desktop and Start Menu folders that the program asks the desktop for
// below `root` ("Documents", "Desktop", "Start Menu"), for this process only.
void redirectStandardFolders(const QString &root);

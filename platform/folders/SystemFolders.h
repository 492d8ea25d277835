#pragma once

#include <QString>

// The folders behind Platform::documentsFolder() and its siblings, as the system names them.
namespace SystemFolders {
enum class Folder { Documents, Desktop, StartMenu };
QString path(Folder folder);
} // namespace SystemFolders

#pragma once

#include <QString>

// The user's Documents, Desktop and Start Menu programs folders, as Windows names them: where
// Wine stands in for Windows, those of the Wine prefix's account.
namespace Platform {
QString documentsFolder();
QString desktopFolder();
QString startMenuFolder();

// Tests move all three below a folder of their own ("Documents", "Desktop", "Start Menu"),
// since Windows offers no environment variable for them; an empty root brings the desktop's
// own folders back.
void setStandardFoldersRoot(const QString &root);
QString standardFoldersRoot();

// The system's own answer, which the tests' root above overrides.
enum class StandardFolder { Documents, Desktop, StartMenu };
QString systemStandardFolder(StandardFolder folder);
} // namespace Platform

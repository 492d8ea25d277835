#pragma once

#include <QString>
#include <QStringList>

namespace Platform {
// What a desktop launcher starts, with paths of this machine.
struct LauncherFields
{
    QString name; // shown under the icon and in the menu
    QString program; // a Windows program (".exe") starts through Wine in the prefix in use
    QStringList arguments;
    QString workingDirectory;
    QString icon; // the mod's icon file (.ico); left out when it cannot be read
};

enum class LauncherPlace { Desktop, Menu };

// Where the desktop cannot start shell links (Linux and other Unix desktops), a launcher of its
// own beside each link: `fileName` (without ending) on the desktop, or in the folder `group` of
// the applications menu. True when written, and where the shell links serve (Windows).
bool writeLauncher(LauncherPlace place, const QString &group, const QString &fileName,
                   const LauncherFields &fields);

// The folder that receives the launchers of `place`: the desktop, or the applications menu (the
// groups go below it); empty where the shell links serve.
QString launcherFolder(LauncherPlace place);
} // namespace Platform

#pragma once

#include <QByteArray>
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
    QByteArray iconPng; // from launcherIcon(); empty: the launcher has no icon
};

enum class LauncherPlace { Desktop, Menu };

class ShortcutFiles;

// The mod's icon file (.ico) as the launchers show it, read and converted once for all of them:
// a PNG of the picture iconPicture() picks. Empty when the file cannot be read, holds no picture
// within bounds, or where the shell links serve (Windows).
QByteArray launcherIcon(const QString &iconFile);

// The names that a launcher called `fileName` puts on disk: the launcher and its icon. None
// where the shell links serve.
QStringList launcherFileNames(const QString &fileName);

// Where the desktop cannot start shell links (Linux and other Unix desktops), a launcher of its
// own beside each link, staged among the shortcut's `files`: `fileName` (without ending) on the
// desktop, or in the folders `group` of the applications menu, made without following links;
// its icon among the user's icons. True when staged, and where the shell links serve (Windows).
bool stageLauncher(ShortcutFiles &files, LauncherPlace place, const QStringList &group,
                   const QString &fileName, const LauncherFields &fields);

// The folder that receives the launchers of `place`: the desktop, or the applications menu (the
// groups go below it); empty where the shell links serve.
QString launcherFolder(LauncherPlace place);
} // namespace Platform

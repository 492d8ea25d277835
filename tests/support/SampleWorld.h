#pragma once

#include <QString>

class Sandbox;

// The sample release as a user unpacks it, in the sandbox's working directory (ds.conf,
// GameFiles, slides, ReadMe.txt), on a Windows machine played by the sandbox's Wine prefix: a
// retail game that its uninstall entry names (with a trailing backslash, as installers write
// it) and a Steam client that Steam's own key names, in other letter case than on disk. On
// Windows the same values stand in the registry below the sandbox's own key.
namespace SampleWorld {
void prepare(const Sandbox &sandbox);

// The sample release itself, read only. The Windows test run copies it where its account can
// read it, and names it; elsewhere it is the checkout's.
QString source();

// The program as the shortcuts name it.
QString inLink(const Sandbox &sandbox, bool steam);

// Steam for Linux in the sandbox's home: its root with steam.sh, whose libraryfolders.vdf lists
// a second library that holds the game and its Proton prefix (account "steamuser", Documents as
// its registry names it); or, with another root below home (Flatpak's, Snap's), that root
// holding both itself. Returns the library that holds the game.
QString steamHome(const Sandbox &sandbox, const QString &otherRoot = {});
QByteArray libraryFolders(const QString &first, const QString &second); // as Steam writes it
QString protonPrefix(const QString &library);

QString dataDir(const Sandbox &sandbox);
QString retailExe(const Sandbox &sandbox); // on this machine's file system
QString steamExe(const Sandbox &sandbox);
} // namespace SampleWorld

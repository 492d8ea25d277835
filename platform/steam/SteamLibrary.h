#pragma once

#include <QString>
#include <QStringList>

// Steam as the native Linux client keeps it: its root folder, the library folders it lists,
// the game in whichever library holds it, and the Proton prefix the game runs in.
namespace Platform {
// Every library folder of every Steam root (~/.local/share/Steam, ~/.steam/steam, ~/.steam/root,
// then Flatpak's and Snap's, in this order): the root itself first, then those of its
// steamapps/libraryfolders.vdf in the file's order; each once, and only those that exist.
QStringList steamLibraries();

struct SteamGame
{
    QString root; // the Steam root that lists the library
    QString sandbox; // "flatpak" or "snap" for a root of those packages, empty for Steam's own
    QString library;
    QString folder; // <library>/steamapps/common/<installdir>
};
// The game as its app manifest in the first library that has one names it; an empty folder
// when no library holds it.
SteamGame steamUt3();

// The Proton prefix of the game that steamUt3() found (<library>/steamapps/compatdata/13210/pfx):
// in the game's library, else in the first library that has one made; where none has, the one
// Steam makes in the game's library when the game first starts.
QString ut3ProtonPrefix(const SteamGame &game);

// Whether Proton has made the prefix: Steam creates the folder early, but the account the game
// reads its Documents from, and the registry that names them, come only with the first start.
bool isMadeProtonPrefix(const QString &prefix);

// The program that starts the Steam whose root lists the game's library: `steam` on PATH or the
// root's steam.sh for Steam's own package, the command `flatpak` or `snap` for the roots of
// theirs; empty when it is missing.
QString steamProgram(const SteamGame &game);
} // namespace Platform

#pragma once

#include <QString>
#include <QStringList>

// Steam as the native Linux client keeps it: its root folder, the library folders it lists,
// the game in whichever library holds it, and the Proton prefix the game runs in.
namespace Platform {
// Steam's root folders that exist, in the order they are looked for, each once:
// ~/.local/share/Steam, ~/.steam/steam, ~/.steam/root, then Flatpak's and Snap's.
QStringList steamRoots();

// Every library folder of every root: the root itself first, then those of its
// steamapps/libraryfolders.vdf in the file's order; each once, and only those that exist.
QStringList steamLibraries();

struct SteamGame
{
    QString library;
    QString folder; // <library>/steamapps/common/<installdir>
};
// The game as its app manifest in the first library that has one names it; an empty folder
// when no library holds it.
SteamGame steamUt3();

// The Proton prefix of the game (<library>/steamapps/compatdata/13210/pfx): in the library that
// holds the game as steamUt3() found it, else in the first library that has one; empty when there
// is none.
QString ut3ProtonPrefix(const SteamGame &game);
} // namespace Platform

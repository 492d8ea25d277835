#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Platform {
// The game's Steam application id.
inline constexpr int Ut3AppId = 13210;

// Steam for Linux, where one of its libraries holds the game: the program that starts that Steam
// (`steam` on PATH or the root's steam.sh for Steam's own package, the command `flatpak` or `snap`
// for the roots of theirs), empty when it is missing. Nothing where no library of Steam for Linux
// holds the game, and on Windows: Steam's program is then the one the registry names, Steam for
// Windows inside Wine among them.
std::optional<QString> linuxSteamClient();

// The words between Steam's program and the game's arguments: Flatpak and Snap start the Steam of
// their package by name ("run com.valvesoftware.Steam", "run steam"); none for Steam itself.
QStringList steamClientWords(const QString &program);

// The file names that count as Steam's program: "Steam.exe", and where Steam for Linux may run
// also its start scripts "steam" and "steam.sh" and the commands "flatpak" and "snap".
QStringList steamClientNames();

// How the Paths page names Steam's program: the one found at `found`, or the one it asks for when
// `found` is empty. "Steam.exe" on Windows; where Steam for Linux may run, its client ("steam", or
// the sandboxed command as "flatpak run com.valvesoftware.Steam"), unless Steam.exe was found.
QString steamClientTitle(const QString &found);
} // namespace Platform

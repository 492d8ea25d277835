#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Platform {
// The game's Steam application id.
inline constexpr int Ut3AppId = 13210;

// Steam for Linux, where it is the client that starts the game (GameClient.h): the program that
// starts it, empty when it is missing. Nothing where another client starts the game, and on
// Windows: Steam's program is then the one the registry names, Steam for Windows inside Wine
// among them.
std::optional<QString> linuxSteamClient();

// The words between Steam's program and the game's arguments: Flatpak and Snap start the Steam of
// their package by name ("run com.valvesoftware.Steam", "run steam"); none for Steam itself.
QStringList steamClientWords(const QString &program);

// The file names that count as Steam's program: those of the client that starts the game in the
// prefix the mod goes to (GameClient.h). "Steam.exe" for Steam for Windows; for Steam for Linux
// its start scripts "steam" and "steam.sh", or for a sandboxed one its command ("flatpak",
// "snap").
QStringList steamClientNames();

// Proton puts a steam.exe of its own into every prefix it makes (compatdata/<app>/pfx): it only
// answers the game's questions about Steam, and started it is no Steam at all. True for such a
// file, whatever link leads to it; never on Windows.
bool isSteamStandIn(const QString &path);

// How the Paths page names Steam's program: the one found at `found`, or the one it asks for when
// `found` is empty. "Steam.exe" for Steam for Windows; where Steam for Linux starts the game, its
// client: "steam", or a sandboxed Steam by its package ("Steam (Flatpak)") while the player
// locates its command ("flatpak").
struct SteamClientName
{
    QString title; // in the page's texts and the field's label
    QString file; // the file the player locates
    bool commandMissing = false; // the sandboxed Steam starts the game, but its command is gone
};
SteamClientName steamClientName(const QString &found);

// Where the Paths page's file dialog opens for Steam's program: where Steam for Linux's client
// is when it starts the game; empty (Program Files, as for the game) otherwise.
QString steamClientFolder();
} // namespace Platform

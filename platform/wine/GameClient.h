#pragma once

#include <QString>

namespace Platform {
// Who starts the game, and with it the Wine prefix the game reads the mod from. Where Wine stands
// in for Windows, the client is decided first and the prefix follows from it, here and nowhere
// else:
// - the retail edition: WINEPREFIX, else ~/.wine;
// - the Steam edition: with WINEPREFIX set, a Steam for Windows in that prefix, started there
//   with wine; else Steam for Linux where one of its libraries holds the game, in Proton's prefix
//   of the game; else WINEPREFIX, else ~/.wine, where detection looks for Steam for Windows as on
//   Windows.
struct GameClient
{
    enum class Kind { Wine, WindowsSteam, LinuxSteam };
    Kind kind = Kind::Wine;
    QString prefix;
    // Steam for Windows in `prefix`, or the program that starts Steam for Linux (empty when it
    // is missing); empty for Kind::Wine.
    QString program;
    QString sandbox; // Steam for Linux's package: "flatpak" or "snap"; empty for Steam's own
    // Proton makes its prefix when the game first starts; until then the mod has no place there.
    bool prefixMade = true;
};

// Looked up anew each time: the files are small, and Steam may move the game meanwhile.
GameClient gameClient();
} // namespace Platform

#pragma once

#include <QString>

namespace Platform {
// Who starts the game, and with it the Wine prefix the game reads the mod from. Where Wine stands
// in for Windows, the client is decided first and the prefix follows from it, here and nowhere
// else:
// - the retail edition: WINEPREFIX, else ~/.wine (a WINEPREFIX that is no full path is kept as
//   it is, for the setup notice to refuse);
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

// Decided at the first call after the edition is chosen, and kept while neither WINEPREFIX nor
// the home folder changes: the mod's folder, its shortcuts and the program that starts the game
// then all follow one decision, even if Steam rewrites its files (a manifest missing for a
// moment would otherwise put the shortcuts in another prefix than the mod).
GameClient gameClient();
} // namespace Platform

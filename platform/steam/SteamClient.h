#pragma once

#include <QString>
#include <QStringList>

namespace Platform {
// The game's Steam application id.
inline constexpr int Ut3AppId = 13210;

// Steam's own client where it runs natively beside the prefix of the game (Linux); empty where
// the registry names Steam's program (Windows, or Steam for Windows inside Wine).
QString nativeSteamClient();

// The file names that count as Steam's program: "Steam.exe", and where Steam runs natively
// also its start scripts "steam" and "steam.sh".
QStringList steamClientNames();
} // namespace Platform

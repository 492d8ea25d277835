#pragma once

#include <QString>

namespace Platform {
// The Wine prefix that stands in for Windows on this machine: $WINEPREFIX when set; otherwise,
// for the Steam edition or when Steam's library holds the game, the Proton prefix of the game
// when there is one; otherwise ~/.wine.
QString winePrefix();
} // namespace Platform

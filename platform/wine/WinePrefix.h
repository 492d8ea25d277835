#pragma once

#include <QString>

namespace Platform {
// The Wine prefix that stands in for Windows on this machine: $WINEPREFIX when set; otherwise,
// for the Steam edition where a library of Steam for Linux holds the game, the game's Proton
// prefix, which Steam makes only when the game first starts and which therefore may not exist
// yet; otherwise ~/.wine.
QString winePrefix();
} // namespace Platform

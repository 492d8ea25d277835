#pragma once

#include <QString>

namespace Platform {
// Why the game cannot take the mod yet, as a message for the player; empty when nothing stands in
// the way, and always on Windows. Where Wine stands in for Windows: Steam for Linux holds the game
// but has not made its Proton prefix, as it does when the game first starts, and no WINEPREFIX
// names another. The mod would land where the game never looks, so nothing may be written.
QString setupNotice();
} // namespace Platform

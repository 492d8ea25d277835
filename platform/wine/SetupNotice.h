#pragma once

#include <QString>

namespace Platform {
// Why the game cannot take the mod, as a message for the player; empty when nothing stands in the
// way, and always on Windows. Where Wine stands in for Windows: Steam for Linux starts the game
// but has not made its Proton prefix yet, as it does when the game first starts; or the game runs
// in Wine, and WINEPREFIX names no full path, which Wine refuses to start anything in. The mod
// would land where the game never looks, so nothing may be written.
QString setupNotice();
} // namespace Platform

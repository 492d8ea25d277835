#pragma once

#include <QString>

namespace Platform {
// The Wine prefix that stands in for Windows on this machine: the one the game's client runs the
// game in (GameClient.h). Proton's prefix may not have been made yet.
QString winePrefix();
} // namespace Platform

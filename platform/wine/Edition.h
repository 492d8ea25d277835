#pragma once

namespace Platform {
// The edition the user chose on the Welcome page. Where Wine stands in for Windows, the Steam
// edition runs in the prefix that Steam's Proton made for the game.
void setSteamEdition(bool steam);
bool steamEdition();
} // namespace Platform

#pragma once

#include <cstdint>

namespace Platform {
// The edition the user chose on the Welcome page. Where Wine stands in for Windows, it takes part
// in deciding the game's client and so its prefix (GameClient.h): only the Steam edition may run
// in the prefix that Steam's Proton made for the game.
void setSteamEdition(bool steam);
bool steamEdition();
// How many times an edition was chosen so far, the same one again included: each choice decides
// the game's client anew.
std::uint64_t editionChoices();
} // namespace Platform

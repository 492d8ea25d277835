#include "Edition.h"

#include <atomic>

namespace {
std::atomic<bool> chosenSteam {false};
}

void Platform::setSteamEdition(bool steam)
{
    chosenSteam = steam;
}

bool Platform::steamEdition()
{
    return chosenSteam;
}

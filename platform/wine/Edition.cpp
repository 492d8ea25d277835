#include "Edition.h"

#include <atomic>

namespace {
std::atomic<bool> chosenSteam {false};
std::atomic<std::uint64_t> choices {0};
} // namespace

void Platform::setSteamEdition(bool steam)
{
    chosenSteam = steam;
    ++choices;
}

bool Platform::steamEdition()
{
    return chosenSteam;
}

std::uint64_t Platform::editionChoices()
{
    return choices;
}

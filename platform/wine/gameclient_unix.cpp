#include "Edition.h"
#include "GameClient.h"
#include "platform/steam/SteamLibrary.h"
#include "platform/steam/WindowsSteam.h"

#include <QDir>

#include <cstdint>
#include <mutex>
#include <optional>

namespace {

using Platform::GameClient;

GameClient decide(const QString &configured)
{
    const QString wine = QDir::cleanPath(
        configured.isEmpty() ? QDir::homePath() + QLatin1String("/.wine") : configured);
    // A retail game never runs in Proton's prefix, even where Steam's library holds a copy.
    if (!Platform::steamEdition())
        return {GameClient::Kind::Wine, wine, {}, {}, true};
    // A prefix named on purpose (a game manager's, often set for the whole session) holds the
    // Steam the player runs there; it counts only when it does.
    if (!configured.isEmpty() && QDir::isAbsolutePath(wine)) {
        const QString windowsSteam = Platform::windowsSteamIn(wine);
        if (!windowsSteam.isEmpty())
            return {GameClient::Kind::WindowsSteam, wine, windowsSteam, {}, true};
    }
    const Platform::SteamGame game = Platform::steamUt3();
    if (game.folder.isEmpty())
        return {GameClient::Kind::Wine, wine, {}, {}, true};
    const QString proton = QDir::cleanPath(Platform::ut3ProtonPrefix(game));
    return {GameClient::Kind::LinuxSteam, proton, Platform::steamProgram(game), game.sandbox,
            Platform::isMadeProtonPrefix(proton)};
}

struct Decision
{
    std::uint64_t choice = 0; // the edition's choice it was made for
    QString configured; // WINEPREFIX then
    QString home;
    GameClient client;
};

std::mutex decisionMutex;
std::optional<Decision> lastDecision;

} // namespace

GameClient Platform::gameClient()
{
    const std::uint64_t choice = editionChoices();
    const QString configured = qEnvironmentVariable("WINEPREFIX");
    const QString home = QDir::homePath();
    const std::lock_guard lock(decisionMutex);
    if (!lastDecision || lastDecision->choice != choice || lastDecision->configured != configured
        || lastDecision->home != home)
        lastDecision = Decision {choice, configured, home, decide(configured)};
    return lastDecision->client;
}

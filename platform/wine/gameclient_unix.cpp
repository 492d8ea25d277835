#include "Edition.h"
#include "GameClient.h"
#include "platform/steam/SteamLibrary.h"
#include "platform/steam/WindowsSteam.h"

#include <QDir>

Platform::GameClient Platform::gameClient()
{
    const QString configured = qEnvironmentVariable("WINEPREFIX");
    const QString wine = QDir::cleanPath(
        configured.isEmpty() ? QDir::homePath() + QLatin1String("/.wine") : configured);
    // A retail game never runs in Proton's prefix, even where Steam's library holds a copy.
    if (!steamEdition())
        return {GameClient::Kind::Wine, wine, {}, {}, true};
    // A prefix named on purpose (a game manager's, often set for the whole session) holds the
    // Steam the player runs there; it counts only when it does.
    if (!configured.isEmpty()) {
        const QString windowsSteam = windowsSteamIn(wine);
        if (!windowsSteam.isEmpty())
            return {GameClient::Kind::WindowsSteam, wine, windowsSteam, {}, true};
    }
    const SteamGame game = steamUt3();
    if (game.folder.isEmpty())
        return {GameClient::Kind::Wine, wine, {}, {}, true};
    const QString proton = QDir::cleanPath(ut3ProtonPrefix(game));
    return {GameClient::Kind::LinuxSteam, proton, steamProgram(game), game.sandbox,
            isMadeProtonPrefix(proton)};
}

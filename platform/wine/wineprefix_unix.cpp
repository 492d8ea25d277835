#include "Edition.h"
#include "WinePrefix.h"
#include "platform/steam/SteamLibrary.h"

#include <QDir>

QString Platform::winePrefix()
{
    const QString configured = qEnvironmentVariable("WINEPREFIX");
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    // Looked up anew each time: the files are small, and Steam may move the game meanwhile.
    // A retail game never runs in Proton's prefix, even where Steam's library holds a copy.
    const SteamGame game = steamEdition() ? steamUt3() : SteamGame();
    if (!game.folder.isEmpty())
        return QDir::cleanPath(ut3ProtonPrefix(game));
    return QDir::cleanPath(QDir::homePath() + QLatin1String("/.wine"));
}

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
    const SteamGame game = steamUt3();
    if (steamEdition() || !game.folder.isEmpty()) {
        const QString proton = ut3ProtonPrefix(game);
        if (!proton.isEmpty())
            return QDir::cleanPath(proton);
    }
    return QDir::cleanPath(QDir::homePath() + QLatin1String("/.wine"));
}

#include "SteamClient.h"
#include "SteamLibrary.h"

#include <QFileInfo>
#include <QStandardPaths>

// `steam` on PATH, else the root's steam.sh; empty without a Steam root, since a client that
// never ran has no library to start the game from.
QString Platform::nativeSteamClient()
{
    const QStringList found = steamRoots();
    if (found.isEmpty())
        return QString();
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("steam"));
    if (!onPath.isEmpty())
        return onPath;
    for (const QString &root : found) {
        const QFileInfo script(root + QLatin1String("/steam.sh"));
        if (script.isFile() && script.isExecutable())
            return script.filePath();
    }
    return QString();
}

QStringList Platform::steamClientNames()
{
    return {QStringLiteral("Steam.exe"), QStringLiteral("steam"), QStringLiteral("steam.sh")};
}

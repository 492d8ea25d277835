#include "LocalPath.h"
#include "WinePrefix.h"

QString Platform::localPath(const QString &configuredPath)
{
    QString path = configuredPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // "C:/..." lies on a drive of the Wine prefix, reached through its dosdevices links.
    const bool hasDriveLetter = path.size() >= 2 && path.at(1) == QLatin1Char(':')
        && path.at(0).isLetter() && path.at(0).unicode() < 128;
    if (hasDriveLetter) {
        QString rest = path.mid(2);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
            rest.prepend(QLatin1Char('/'));
        path = winePrefix() + QLatin1String("/dosdevices/") + path.left(2).toLower() + rest;
    }
    return path;
}

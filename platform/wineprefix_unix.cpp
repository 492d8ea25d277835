#include "WinePrefix.h"

#include <QDir>

QString Platform::winePrefix()
{
    const QString configured = qEnvironmentVariable("WINEPREFIX");
    return QDir::cleanPath(configured.isEmpty() ? QDir::homePath() + QLatin1String("/.wine")
                                                : configured);
}

#include "Launcher.h"

// The shell starts the links themselves.
bool Platform::writeLauncher(LauncherPlace, const QString &, const QString &,
                             const LauncherFields &)
{
    return true;
}

QString Platform::launcherFolder(LauncherPlace)
{
    return QString();
}

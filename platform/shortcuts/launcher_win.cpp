#include "Launcher.h"

// The shell starts the links themselves.
QByteArray Platform::launcherIcon(const QString &)
{
    return QByteArray();
}

QStringList Platform::launcherFileNames(const QString &)
{
    return QStringList();
}

bool Platform::stageLauncher(ShortcutFiles &, LauncherPlace, const QStringList &, const QString &,
                             const LauncherFields &)
{
    return true;
}

QString Platform::launcherFolder(LauncherPlace)
{
    return QString();
}

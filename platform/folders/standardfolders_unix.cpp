#include "LocalPath.h"
#include "StandardFolders.h"
#include "platform/registry/Registry.h"
#include "platform/wine/WinePrefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {
// The prefix's account: Wine names it after the Unix user, Proton always "steamuser".
QString prefixUser(const QString &prefix)
{
    const QString users = prefix + QLatin1String("/drive_c/users/");
    const passwd *account = ::getpwuid(::getuid());
    const QString user = account ? QFile::decodeName(account->pw_name) : QString();
    if (!QFileInfo(users + user).isDir() && QFileInfo(users + QLatin1String("steamuser")).isDir())
        return QStringLiteral("steamuser");
    return user;
}

// The shell's own record of the folder, as a Windows path: "Shell Folders" holds it expanded;
// "User Shell Folders" counts only where it names no variable (%USERPROFILE%\...).
QString registeredFolder(const char *valueName)
{
    const QString explorer = QStringLiteral(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\");
    for (const char *key : {"Shell Folders", "User Shell Folders"}) {
        const QString path =
            Platform::registryString(explorer + QLatin1String(key), QLatin1String(valueName));
        if (!path.isEmpty() && !path.contains(QLatin1Char('%')))
            return path;
    }
    return QString();
}
} // namespace

// The game runs in a Wine prefix and reads the folders of that prefix's Windows account, which
// Wine usually links to the host's folders and Proton never does. Only without any prefix at
// all do the host's own folders stand in.
QString Platform::systemStandardFolder(StandardFolder folder)
{
    const QString prefix = Platform::winePrefix();
    if (!QFileInfo(prefix).isDir()) {
        return QStandardPaths::writableLocation(
            folder == StandardFolder::Documents     ? QStandardPaths::DocumentsLocation
                : folder == StandardFolder::Desktop ? QStandardPaths::DesktopLocation
                                                    : QStandardPaths::ApplicationsLocation);
    }
    const char *valueName = folder == StandardFolder::Documents ? "Personal"
        : folder == StandardFolder::Desktop                     ? "Desktop"
                                                                : "Programs";
    const QString registered = registeredFolder(valueName);
    if (!registered.isEmpty())
        return Platform::localPath(registered);

    const QString account = prefix + QLatin1String("/drive_c/users/") + prefixUser(prefix);
    switch (folder) {
    case StandardFolder::Documents:
        return account + QLatin1String("/Documents");
    case StandardFolder::Desktop:
        return account + QLatin1String("/Desktop");
    case StandardFolder::StartMenu:
        // Wine before 5.0 kept the Start Menu directly in the account's folder.
        if (QFileInfo(account + QLatin1String("/Start Menu")).isDir())
            return account + QLatin1String("/Start Menu/Programs");
        return account + QLatin1String("/AppData/Roaming/Microsoft/Windows/Start Menu/Programs");
    }
    return QString();
}

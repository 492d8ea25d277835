#include "SteamClient.h"
#include "WindowsSteam.h"
#include "platform/folders/PrefixPath.h"
#include "platform/registry/PrefixRegistry.h"

#include <QFileInfo>

// As a 32-bit program sees the registry: Steam's installer writes its folder below the machine's
// Wow6432Node where the prefix is 64-bit, and Steam its own SteamPath for the user.
QString Platform::windowsSteamIn(const QString &prefix)
{
    const struct
    {
        const char *key;
        const char *value;
    } values[] = {{"HKEY_CURRENT_USER\\Software\\Valve\\Steam", "InstallPath"},
                  {"HKEY_LOCAL_MACHINE\\Software\\Valve\\Steam", "InstallPath"},
                  {"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Valve\\Steam", "InstallPath"},
                  {"HKEY_CURRENT_USER\\Software\\Valve\\Steam", "SteamPath"}};
    QStringList folders;
    for (const auto &value : values)
        folders << registryStringIn(prefix, QLatin1String(value.key), QLatin1String(value.value));
    folders << QStringLiteral("C:\\Program Files (x86)\\Steam")
            << QStringLiteral("C:\\Program Files\\Steam");
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty())
            continue;
        const QString program = localPathIn(prefix, folder + QLatin1String("\\steam.exe"));
        if (QFileInfo(program).isFile() && !isSteamStandIn(program))
            return program;
    }
    return QString();
}

#pragma once

#include "MemoryResource.h"

#include <QSettings>
#include <QVariant>

#include <optional>

// One entry of ds.conf. Numbered families ("Images/File<n>") carry %1 in their name.
struct ConfigKey
{
    const char *name;
    QVariant fallback; // invalid: no default, the key is simply absent
};

// Every key the wizard reads, with its default. Nothing else reads ds.conf.
namespace Config {
inline const ConfigKey WindowHeight {"Window/Height", 580};
inline const ConfigKey WindowWidth {"Window/Width", 640};
inline const ConfigKey WindowLogo {"Window/Logo", QStringLiteral(":/res/logo.jpg")};
inline const ConfigKey UT3Version {"Strings/UT3Version", QStringLiteral("Unreal Tournament 3")};
inline const ConfigKey UT3Keys {"Files/UT3Keys", QStringLiteral("ut3.keys")};
inline const ConfigKey SteamKeys {"Files/SteamKeys", QStringLiteral("steam.keys")};
inline const ConfigKey UT3Path {"Paths/UT3Path", QStringLiteral("Unreal Tournament 3")};
inline const ConfigKey SteamPath {"Paths/SteamPath", QStringLiteral("Steam")};
inline const ConfigKey DataDir {"Files/dataDir", QStringLiteral("..\\GameFiles\\")};
inline const ConfigKey ExtraSpace {"Files/ExtraSpace", 0};
inline const ConfigKey ImageFile {"Images/File%1", QVariant()};
inline const ConfigKey ImageTime {"Images/Time%1", 3};
inline const ConfigKey ShortcutIcon {"Shortcut/Icon",
                                     QStringLiteral("DuskmereGame/Splash/duskmereicon.ico")};
inline const ConfigKey ShortcutIconIndex {"Shortcut/IconIndex", 0};
inline const ConfigKey ShortcutName {"Shortcut/Name", QStringLiteral("The Duskmere.lnk")};
inline const ConfigKey ShortcutGroupName {"Shortcut/GroupName", QStringLiteral("The Duskmere")};
inline const ConfigKey ExtraUrl {"Extras/URL%1", QVariant()};
inline const ConfigKey ExtraDefault {"Extras/Default%1", false};
inline const ConfigKey ExtraDesc {"Extras/Desc%1", QVariant()};
} // namespace Config

// A read-only view of ds.conf in the current working directory. Each reader makes its own
// and drops it when done, so an edited file is seen at the next step. A ds.conf that is no
// regular file (a FIFO would block the window) or is too large counts as missing.
class ConfigFile
{
public:
    ConfigFile();

    // n selects the member of a numbered family; plain keys ignore it.
    QVariant value(const ConfigKey &key, int n = 0) const;
    bool contains(const ConfigKey &key, int n = 0) const;

private:
    static QString keyName(const ConfigKey &key, int n);

    std::optional<MemoryResource> contents; // the file as read
    std::optional<QSettings> settings; // none without a readable file
};

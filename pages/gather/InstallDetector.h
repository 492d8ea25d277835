#pragma once

#include "wizard/Config.h"

#include <QString>

#include <optional>

// Finds the retail game's or Steam's executable: Steam for Linux where it is the client that
// starts the game, otherwise the registry locations of a key list, then a folder below Program
// Files named in ds.conf; never Proton's stand-in for Steam.
class InstallDetector
{
public:
    struct Variant
    {
        const ConfigKey &keyList;
        const char *builtInKeyList;
        const char *registrySuffix; // appended to a registry value as it is
        const ConfigKey &fallbackFolder;
        const char *fallbackSuffix;
        // A program that runs natively, when it has the say, before anything the registry names
        // (empty: none found); may be null.
        std::optional<QString> (*nativeProgram)();
        // A file of the right name that is not the program all the same (Proton's stand-in for
        // Steam), by its path on this machine; may be null.
        bool (*refused)(const QString &localPath);
    };
    static const Variant Retail;
    static const Variant Steam;

    explicit InstallDetector(const Variant &variant);

    // The executable's full path as found, or an empty string.
    QString detect() const;

private:
    QString fromRegistry(const QStringList &keyLines) const;
    QString fromFallbackFolder() const;
    bool existsOnDisk(const QString &path) const;

    const Variant &variant;
};

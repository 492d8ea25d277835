#pragma once

#include "wizard/Config.h"

#include <QString>

// Finds the retail game's or Steam's executable: the registry locations of a key list first,
// then a folder below Program Files named in ds.conf.
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
    };
    static const Variant Retail;
    static const Variant Steam;

    explicit InstallDetector(const Variant &variant);

    // The executable's full path as found, or an empty string.
    QString detect() const;

private:
    QString fromRegistry(const QStringList &keyLines) const;
    QString fromFallbackFolder() const;

    const Variant &variant;
};

#pragma once

#include "wizard/Config.h"

#include <QString>

// Finds the retail game's or Steam's executable: a native Steam client first where there is
// one, then the registry locations of a key list, then a folder below Program Files named in
// ds.conf.
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
        // A program that runs natively, before anything the registry names; may be null.
        QString (*nativeProgram)();
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

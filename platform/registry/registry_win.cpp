#include "Registry.h"

#include <QSettings>

#include <windows.h>

namespace {
struct Hive
{
    const char *name;
    HKEY handle;
};

const Hive hives[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_USERS", HKEY_USERS},
};

// QSettings opens a registry path for writing and creates the key when it is missing, so a
// plain look-up would leave empty keys behind (below HKEY_LOCAL_MACHINE too, for a setup run
// as Administrator). Only keys that exist are handed to it.
bool keyExists(const QString &keyPath)
{
    for (const Hive &hive : hives) {
        const QLatin1String name(hive.name);
        if (!keyPath.startsWith(name))
            continue;
        QString subKey = keyPath.mid(name.size());
        if (!subKey.isEmpty() && !subKey.startsWith(QLatin1Char('\\')))
            return false;
        subKey.remove(0, 1);
        HKEY key = nullptr;
        if (RegOpenKeyExW(hive.handle, reinterpret_cast<const wchar_t *>(subKey.utf16()), 0,
                          KEY_READ, &key)
            != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    return false;
}
} // namespace

QString Platform::registryString(const QString &keyPath, const QString &valueName)
{
    if (!keyExists(keyPath))
        return QString();
    const QSettings key(keyPath, QSettings::NativeFormat);
    return key.value(valueName, QVariant()).toString();
}

#include "Registry.h"

#include <QSettings>

QString Platform::registryString(const QString &keyPath, const QString &valueName)
{
    const QSettings key(keyPath, QSettings::NativeFormat);
    return key.value(valueName, QVariant()).toString();
}

#include "Config.h"

ConfigFile::ConfigFile()
    : settings(QStringLiteral("ds.conf"), QSettings::IniFormat)
{ }

QVariant ConfigFile::value(const ConfigKey &key, int n) const
{
    return settings.value(keyName(key, n), key.fallback);
}

bool ConfigFile::contains(const ConfigKey &key, int n) const
{
    return settings.contains(keyName(key, n));
}

QString ConfigFile::keyName(const ConfigKey &key, int n)
{
    const QString name = QString::fromLatin1(key.name);
    return name.contains(QLatin1String("%1")) ? name.arg(n) : name;
}

#include "Config.h"

#include "platform/files/RegularFile.h"

namespace {
const QString fileName = QStringLiteral("ds.conf");
}

ConfigFile::ConfigFile()
{
    if (Platform::isRegularFile(fileName))
        settings.emplace(fileName, QSettings::IniFormat);
}

QVariant ConfigFile::value(const ConfigKey &key, int n) const
{
    return settings ? settings->value(keyName(key, n), key.fallback) : key.fallback;
}

bool ConfigFile::contains(const ConfigKey &key, int n) const
{
    return settings && settings->contains(keyName(key, n));
}

QString ConfigFile::keyName(const ConfigKey &key, int n)
{
    const QString name = QString::fromLatin1(key.name);
    return name.contains(QLatin1String("%1")) ? name.arg(n) : name;
}

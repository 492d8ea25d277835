#include "Config.h"

#include "platform/files/RegularFile.h"

namespace {
const QString fileName = QStringLiteral("ds.conf");
// Far beyond any configuration; a larger file counts as unreadable.
constexpr qint64 largestConfig = 4 * 1024 * 1024;
} // namespace

ConfigFile::ConfigFile()
{
    // The settings reader opens files by path only: it gets the bytes read and checked here.
    if (const auto bytes = Platform::readRegularFile(fileName, largestConfig)) {
        contents.emplace(*bytes);
        if (!contents->path().isEmpty())
            settings.emplace(contents->path(), QSettings::IniFormat);
    }
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

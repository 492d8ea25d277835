#include "PrefixRegistry.h"
#include "Registry.h"
#include "WineRegistryFile.h"
#include "platform/wine/WinePrefix.h"

#include <QFile>
#include <QMutex>

#include <memory>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// What tells one version of a hive file from the next. Wine saves a hive by writing a new file
// and renaming it over the old one, so the inode changes even when size and time would not.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    qint64 modifiedNs = 0;

    bool operator==(const FileStamp &other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modifiedNs == other.modifiedNs;
    }
};

void fill(const struct stat &info, FileStamp *stamp)
{
    stamp->device = info.st_dev;
    stamp->inode = info.st_ino;
    stamp->size = info.st_size;
    stamp->modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool stampOf(const QString &path, FileStamp *stamp)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    fill(info, stamp);
    return true;
}

struct CachedHive
{
    FileStamp stamp;
    std::unique_ptr<Platform::WineRegistryFile> file;
};

// Detection asks for up to twenty values in a row from a hive of a few megabytes; each file is
// indexed once and kept while it stays the same. Lookups share the open file, hence the lock.
QString readHive(const QString &path, const QString &keyPath, const QString &valueName)
{
    FileStamp stamp;
    if (!stampOf(path, &stamp))
        return QString();

    static QMutex mutex;
    static std::unordered_map<QString, CachedHive> cache;
    const QMutexLocker lock(&mutex);
    auto cached = cache.find(path);
    if (cached == cache.end() || !(cached->second.stamp == stamp)) {
        if (cache.size() >= 4) // the two hives of the prefix in use, and a little slack
            cache.clear();
        // The stamp of the version opened, which a save may have put there since the look.
        auto file = std::make_unique<Platform::WineRegistryFile>(path);
        struct stat info;
        FileStamp opened;
        if (::fstat(file->descriptor(), &info) == 0) // fails for a file not opened (-1)
            fill(info, &opened);
        cached = cache.insert_or_assign(path, CachedHive {opened, std::move(file)}).first;
    }
    return cached->second.file->string(keyPath, valueName);
}

} // namespace

QString Platform::registryString(const QString &keyPath, const QString &valueName)
{
    return registryStringIn(winePrefix(), keyPath, valueName);
}

QString Platform::registryStringIn(const QString &prefix, const QString &keyPath,
                                   const QString &valueName)
{
    // As Windows' settings class reads names: it refuses an empty one, and "Default" and "."
    // stand for the key's default value.
    if (valueName.isEmpty())
        return QString();
    const bool defaultValue =
        valueName == QLatin1String("Default") || valueName == QLatin1String(".");

    // A path without a separator is a hive's name alone (left(-1) is the whole path).
    const QString hiveName = keyPath.left(keyPath.indexOf(QLatin1Char('\\')));
    const QString subKey = keyPath.mid(hiveName.size() + 1);

    QString fileName;
    if (hiveName.compare(QLatin1String("HKEY_CURRENT_USER"), Qt::CaseInsensitive) == 0)
        fileName = QStringLiteral("user.reg");
    else if (hiveName.compare(QLatin1String("HKEY_LOCAL_MACHINE"), Qt::CaseInsensitive) == 0)
        fileName = QStringLiteral("system.reg");
    else
        return QString();

    return readHive(prefix + QLatin1Char('/') + fileName, subKey,
                    defaultValue ? QString() : valueName);
}

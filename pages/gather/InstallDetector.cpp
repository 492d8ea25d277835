#include "InstallDetector.h"

#include "KeyList.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/ProgramFiles.h"
#include "platform/registry/Registry.h"
#include "platform/steam/SteamClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

const InstallDetector::Variant InstallDetector::Retail {
    Config::UT3Keys, ":/res/ut3.keys", "\\Binaries\\UT3.exe", Config::UT3Path, "/Binaries/UT3.exe",
    nullptr,         nullptr};
const InstallDetector::Variant InstallDetector::Steam {
    Config::SteamKeys,        ":/res/steam.keys", "\\steam.exe",
    Config::SteamPath,        "/steam.exe",       &Platform::linuxSteamClient,
    &Platform::isSteamStandIn};

InstallDetector::InstallDetector(const Variant &variant)
    : variant(variant)
{ }

bool InstallDetector::existsOnDisk(const QString &path) const
{
    const QString local = Platform::localPath(path);
    return QFileInfo::exists(local) && !(variant.refused && variant.refused(local));
}

QString InstallDetector::detect() const
{
    // Steam for Linux, where it starts the game, is what the launcher runs.
    if (const auto native = variant.nativeProgram ? variant.nativeProgram() : std::nullopt)
        return *native;
    const QString keyListPath = ConfigFile().value(variant.keyList).toString();
    // The whole list is read before the registry is asked anything.
    const QStringList lines = KeyList::read(Platform::localPath(keyListPath),
                                            QString::fromLatin1(variant.builtInKeyList));
    const QString found = fromRegistry(lines);
    return found.isEmpty() ? fromFallbackFolder() : found;
}

QString InstallDetector::fromRegistry(const QStringList &keyLines) const
{
    for (const QString &line : keyLines) {
        const KeyList::Entry entry = KeyList::split(line);
        const QString folder = Platform::registryString(entry.keyPath, entry.valueName);
        if (folder.isEmpty())
            continue;
        const QString candidate = folder + QLatin1String(variant.registrySuffix);
        if (existsOnDisk(candidate))
            return candidate;
        QCoreApplication::processEvents();
    }
    return QString();
}

// Resolved as QDir::absoluteFilePath() would: a relative folder lies below Program Files, an
// absolute one (a drive letter on Windows) stands alone.
QString InstallDetector::fromFallbackFolder() const
{
    const QString relative = ConfigFile().value(variant.fallbackFolder).toString()
        + QLatin1String(variant.fallbackSuffix);
    const QString candidate = QDir::isAbsolutePath(Platform::localPath(relative))
        ? relative
        : QDir::fromNativeSeparators(Platform::programFilesFolder()) + QLatin1Char('/') + relative;
    return existsOnDisk(candidate) ? candidate : QString();
}

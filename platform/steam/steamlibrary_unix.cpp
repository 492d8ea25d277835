#include "SteamClient.h"
#include "SteamKeyValues.h"
#include "SteamLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

using Platform::SteamKeyValues;

namespace {
const QString SteamApps = QStringLiteral("/steamapps");

// Adds `folder` when it is a folder not listed yet under any of its names.
void addFolder(QStringList *folders, QStringList *seen, const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir() || seen->contains(canonical))
        return;
    seen->append(canonical);
    folders->append(QDir::cleanPath(folder));
}

// libraryfolders.vdf lists its libraries under numbered keys: a block with "path" since 2021,
// the path as the value itself before. Other keys ("TimeNextStatsReport", ...) are skipped.
QStringList listedLibraries(const QString &root)
{
    const auto file = SteamKeyValues::read(root + SteamApps + QLatin1String("/libraryfolders.vdf"));
    const SteamKeyValues::Node *list =
        file ? file->child(QStringLiteral("libraryfolders")) : nullptr;
    if (!list || !list->isBlock)
        return {};
    std::vector<std::pair<int, QString>> numbered;
    for (const SteamKeyValues::Node &entry : list->children) {
        bool isNumber = false;
        const int number = entry.key.toInt(&isNumber);
        const QString path = entry.isBlock ? entry.string(QStringLiteral("path")) : entry.value;
        if (isNumber && QDir::isAbsolutePath(path))
            numbered.emplace_back(number, path);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList paths;
    for (const auto &entry : numbered)
        paths.append(entry.second);
    return paths;
}

QString ut3Manifest(const QString &library)
{
    return library + SteamApps + QStringLiteral("/appmanifest_%1.acf").arg(Platform::Ut3AppId);
}

QString protonPrefixIn(const QString &library)
{
    const QString prefix =
        library + SteamApps + QStringLiteral("/compatdata/%1/pfx").arg(Platform::Ut3AppId);
    return QFileInfo(prefix).isDir() ? prefix : QString();
}
} // namespace

QStringList Platform::steamRoots()
{
    const QString home = QDir::homePath();
    QStringList roots;
    QStringList seen;
    for (const char *below : {"/.local/share/Steam", "/.steam/steam", "/.steam/root",
                              "/.var/app/com.valvesoftware.Steam/.local/share/Steam",
                              "/.var/app/com.valvesoftware.Steam/data/Steam",
                              "/snap/steam/common/.local/share/Steam"}) {
        const QString root = home + QLatin1String(below);
        if (QFileInfo(root + SteamApps).isDir())
            addFolder(&roots, &seen, root);
    }
    return roots;
}

QStringList Platform::steamLibraries()
{
    QStringList libraries;
    QStringList seen;
    for (const QString &root : steamRoots()) {
        addFolder(&libraries, &seen, root);
        for (const QString &listed : listedLibraries(root))
            addFolder(&libraries, &seen, listed);
    }
    return libraries;
}

Platform::SteamGame Platform::steamUt3()
{
    for (const QString &library : steamLibraries()) {
        const auto manifest = SteamKeyValues::read(ut3Manifest(library));
        const SteamKeyValues::Node *state =
            manifest ? manifest->child(QStringLiteral("AppState")) : nullptr;
        const QString installDir = state ? state->string(QStringLiteral("installdir")) : QString();
        // One folder name below steamapps/common, nothing that leads elsewhere.
        if (installDir.isEmpty() || installDir.contains(QLatin1Char('/'))
            || installDir == QLatin1String(".") || installDir == QLatin1String(".."))
            continue;
        const QString folder = library + SteamApps + QLatin1String("/common/") + installDir;
        if (QFileInfo(folder).isDir())
            return {library, folder};
    }
    return {};
}

QString Platform::ut3ProtonPrefix(const SteamGame &game)
{
    const QString own = game.library.isEmpty() ? QString() : protonPrefixIn(game.library);
    if (!own.isEmpty())
        return own;
    for (const QString &library : steamLibraries()) {
        const QString prefix = protonPrefixIn(library);
        if (!prefix.isEmpty())
            return prefix;
    }
    return QString();
}

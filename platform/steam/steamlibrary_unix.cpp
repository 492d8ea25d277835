#include "SteamClient.h"
#include "SteamKeyValues.h"
#include "SteamLibrary.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

using Platform::SteamKeyValues;

namespace {
const QString SteamApps = QStringLiteral("/steamapps");

// True, and `folder` in `seen`, when it is a folder not seen yet under any of its names.
bool isNewFolder(QStringList *seen, const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir() || seen->contains(canonical))
        return false;
    seen->append(canonical);
    return true;
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
    return library + SteamApps + QStringLiteral("/compatdata/%1/pfx").arg(Platform::Ut3AppId);
}

// Where Steam keeps its root, in the order looked for: its own package's places, then Flatpak's
// and Snap's, whose Steam runs only inside their sandbox. A root counts when it has a steamapps
// folder, each once.
struct RootPlace
{
    const char *belowHome;
    const char *sandbox;
};
const RootPlace RootPlaces[] = {{"/.local/share/Steam", ""},
                                {"/.steam/steam", ""},
                                {"/.steam/root", ""},
                                {"/.var/app/com.valvesoftware.Steam/.local/share/Steam", "flatpak"},
                                {"/.var/app/com.valvesoftware.Steam/data/Steam", "flatpak"},
                                {"/snap/steam/common/.local/share/Steam", "snap"}};

struct Root
{
    QString folder;
    const char *sandbox;
};

std::vector<Root> foundRoots()
{
    std::vector<Root> roots;
    QStringList seen;
    for (const RootPlace &place : RootPlaces) {
        const QString root = QDir::homePath() + QLatin1String(place.belowHome);
        if (QFileInfo(root + SteamApps).isDir() && isNewFolder(&seen, root))
            roots.push_back({root, place.sandbox});
    }
    return roots;
}

// Each library with the root that lists it, as steamLibraries() orders them.
struct Library
{
    QString folder;
    Root root;
};

std::vector<Library> foundLibraries()
{
    std::vector<Library> libraries;
    QStringList seen;
    for (const Root &root : foundRoots()) {
        for (const QString &library : QStringList {root.folder} + listedLibraries(root.folder)) {
            if (isNewFolder(&seen, library))
                libraries.push_back({QDir::cleanPath(library), root});
        }
    }
    return libraries;
}
} // namespace

QStringList Platform::steamLibraries()
{
    QStringList libraries;
    for (const Library &library : foundLibraries())
        libraries.append(library.folder);
    return libraries;
}

Platform::SteamGame Platform::steamUt3()
{
    for (const auto &[library, root] : foundLibraries()) {
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
            return {root.folder, QLatin1String(root.sandbox), library, folder};
    }
    return {};
}

QString Platform::ut3ProtonPrefix(const SteamGame &game)
{
    const QString own = protonPrefixIn(game.library);
    if (isMadeProtonPrefix(own))
        return own;
    for (const QString &library : steamLibraries()) {
        const QString prefix = protonPrefixIn(library);
        if (isMadeProtonPrefix(prefix))
            return prefix;
    }
    return own;
}

bool Platform::isMadeProtonPrefix(const QString &prefix)
{
    return QFileInfo(prefix + QLatin1String("/drive_c/users/steamuser")).isDir()
        && QFileInfo(prefix + QLatin1String("/user.reg")).isFile();
}

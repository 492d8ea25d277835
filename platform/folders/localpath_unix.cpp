#include "LocalPath.h"
#include "PrefixPath.h"
#include "platform/wine/WinePrefix.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {
// Windows, and Wine with it, finds files whatever the letter case: "steam.exe" is the Steam.exe
// in the folder. A path that does not exist as written is matched one component at a time.
QString matchLetterCase(const QString &path)
{
    if (path.startsWith(QLatin1String(":/")) || QFileInfo::exists(path))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'));
    QString matched;
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        const QString candidate = i == 0 ? part : matched + QLatin1Char('/') + part;
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..")
            || QFileInfo::exists(candidate)) {
            matched = candidate;
            continue;
        }
        const QString folder = i == 0 ? QStringLiteral(".")
            : matched.isEmpty()       ? QStringLiteral("/")
                                      : matched;
        const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden
                                                         | QDir::System | QDir::NoDotAndDotDot);
        const auto same = [&](const QString &name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        };
        const auto found = std::find_if(names.cbegin(), names.cend(), same);
        if (found == names.cend())
            return path; // nothing there in any case
        matched = i == 0 ? *found : matched + QLatin1Char('/') + *found;
    }
    return matched;
}

// "C:/..." lies on a drive of the Wine prefix, Wine's link in dosdevices. The link is followed
// here, once: the drive's own folder (drive_c) is what the player knows and sees, and what Wine
// itself reaches through the link.
QString mapped(const QString &configuredPath, const std::function<QString()> &prefixOf)
{
    QString path = configuredPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool hasDriveLetter = path.size() >= 2 && path.at(1) == QLatin1Char(':')
        && path.at(0).isLetter() && path.at(0).unicode() < 128;
    if (hasDriveLetter) {
        QString rest = path.mid(2);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
            rest.prepend(QLatin1Char('/'));
        const QString prefix = prefixOf();
        QString drive = prefix + QLatin1String("/dosdevices/") + path.left(2).toLower();
        const QFileInfo link(drive);
        if (link.isSymLink()) {
            drive = QDir::cleanPath(link.symLinkTarget());
            if (drive.endsWith(QLatin1Char('/'))) // the root, as Z: is
                drive.chop(1);
        } else if (path.at(0).toLower() == QLatin1Char('c') && !link.exists()) {
            // A prefix that Wine has not started since it was made has drive_c but no links yet.
            drive = prefix + QLatin1String("/drive_c");
        }
        path = drive + rest;
        if (path.isEmpty())
            path = QStringLiteral("/");
    }
    return matchLetterCase(path);
}
} // namespace

QString Platform::localPath(const QString &configuredPath)
{
    return mapped(configuredPath, &winePrefix);
}

QString Platform::localPathIn(const QString &prefix, const QString &configuredPath)
{
    return mapped(configuredPath, [&prefix] { return prefix; });
}

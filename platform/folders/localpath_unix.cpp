#include "LocalPath.h"
#include "platform/wine/WinePrefix.h"

#include <QDir>
#include <QFileInfo>

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
} // namespace

QString Platform::localPath(const QString &configuredPath)
{
    QString path = configuredPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // "C:/..." lies on a drive of the Wine prefix, reached through its dosdevices links.
    const bool hasDriveLetter = path.size() >= 2 && path.at(1) == QLatin1Char(':')
        && path.at(0).isLetter() && path.at(0).unicode() < 128;
    if (hasDriveLetter) {
        QString rest = path.mid(2);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('/')))
            rest.prepend(QLatin1Char('/'));
        const QString prefix = winePrefix();
        QString drive = prefix + QLatin1String("/dosdevices/") + path.left(2).toLower();
        // A prefix that Wine has not started since it was made has drive_c but no links yet.
        if (path.at(0).toLower() == QLatin1Char('c') && !QFileInfo(drive).isSymLink()
            && !QFileInfo::exists(drive))
            drive = prefix + QLatin1String("/drive_c");
        path = drive + rest;
    }
    return matchLetterCase(path);
}

#include "ShortcutNames.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {
// What Windows refuses in a name or takes for a device whatever the extension; the separators
// and the drive's colon are among the characters.
const QString Forbidden = QStringLiteral("<>:\"/\\|?*");
const QRegularExpression DeviceName(
    QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9\u00b9\u00b2\u00b3]|LPT[0-9\u00b9\u00b2\u00b3])$"),
    QRegularExpression::CaseInsensitiveOption);

bool isName(const QString &name)
{
    if (name.isEmpty() || name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false; // also "." and ".."
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || Forbidden.contains(c))
            return false;
    }
    // "nul.txt" and "COM1 .tar.gz" are the devices all the same.
    return !DeviceName.match(name.section(QLatin1Char('.'), 0, 0).trimmed()).hasMatch();
}
} // namespace

bool ShortcutNames::isFileName(const QString &name)
{
    return isName(name.endsWith(QLatin1String(".lnk")) ? name.chopped(4) : name);
}

bool ShortcutNames::isFolderPath(const QString &group)
{
    // Deeper or longer than any menu needs, a group would only cost the window its folders.
    constexpr qsizetype mostFolders = 8;
    constexpr qsizetype longest = 255;
    if (group.size() > longest)
        return false;
    const QStringList names =
        QString(group).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    return names.size() <= mostFolders && std::all_of(names.cbegin(), names.cend(), isName);
}

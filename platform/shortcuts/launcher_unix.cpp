#include "Launcher.h"
#include "platform/files/RegularFile.h"
#include "platform/files/ReplaceFile.h"
#include "platform/steam/SteamClient.h"
#include "platform/steam/SteamLibrary.h"
#include "platform/wine/WinePrefix.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStandardPaths>

namespace {
// A value of the desktop entry format: backslash, line ends and tabs are escaped.
QString escapedValue(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// One argument of Exec, before the value escaping above: an argument with a reserved
// character goes in double quotes, inside which ", `, $ and \ take a backslash; "%" is
// doubled everywhere, as it would start a field code.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool quote = argument.isEmpty()
        || std::any_of(argument.cbegin(), argument.cend(),
                       [](QChar c) { return reserved.contains(c); });
    QString written = quote ? QStringLiteral("\"") : QString();
    for (const QChar c : argument) {
        if (quote && QStringLiteral("\"`$\\").contains(c))
            written += QLatin1Char('\\');
        written += c == QLatin1Char('%') ? QStringLiteral("%%") : QString(c);
    }
    return quote ? written + QLatin1Char('"') : written;
}

// The program never stands where env reads variables, since a path with "=" would be taken for
// one: env sets the prefix for wine, which takes the program as its argument.
QStringList commandLine(const Platform::LauncherFields &fields)
{
    QStringList command;
    if (fields.program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        const QString prefix = QFileInfo(Platform::winePrefix()).absoluteFilePath();
        command << QStringLiteral("env") << QLatin1String("WINEPREFIX=") + prefix
                << QStringLiteral("wine");
    } else if (fields.program.contains(QLatin1Char('%'))) {
        // GLib looks for the program before it turns "%%" back into "%", and finds none; the
        // shell it does find runs the program as its $0.
        command << QStringLiteral("sh") << QStringLiteral("-c")
                << QStringLiteral("exec \"$0\" \"$@\"");
    }
    return command << fields.program << Platform::steamClientWords(fields.program)
                   << fields.arguments;
}

// Steam starts the game in the game's folder whatever a launcher says; the launcher of the
// Steam edition names that folder all the same where Steam's library holds the game.
QString workingDirectory(const Platform::LauncherFields &fields)
{
    if (fields.program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return fields.workingDirectory;
    const QString game = Platform::steamUt3().folder;
    return !game.isEmpty() && QFileInfo(game + QLatin1String("/Binaries")).isDir()
        ? game + QLatin1String("/Binaries")
        : fields.workingDirectory;
}

// The icon as PNG, the largest picture the .ico holds, among the user's icons; empty when the
// icon cannot be read or written. A FIFO in the icon's place would wait for a writer for good.
QString pngIcon(const QString &icon, const QString &fileName)
{
    std::optional<QByteArray> ico =
        Platform::readRegularFile(icon, 16 * 1024 * 1024, Platform::FinalLink::Refuse);
    if (!ico)
        return QString();
    QBuffer source(&*ico);
    QImageReader reader(&source);
    QImage best;
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (!reader.jumpToImage(i) && i > 0)
            break;
        const QImage image = reader.read();
        if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
            best = image;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QLatin1String("/icons");
    const QString png = folder + QLatin1Char('/') + fileName + QLatin1String(".png");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (best.isNull() || !buffer.open(QIODevice::WriteOnly) || !best.save(&buffer, "PNG")
        || !QDir().mkpath(folder) || !Platform::replaceFile(png, bytes))
        return QString();
    return png;
}
} // namespace

bool Platform::writeLauncher(LauncherPlace place, const QString &group, const QString &fileName,
                             const LauncherFields &fields)
{
    QString folder = launcherFolder(place);
    if (place == LauncherPlace::Menu)
        folder += QLatin1Char('/') + QString(group).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty() || fileName.isEmpty() || !QDir().mkpath(folder))
        return false;

    QStringList exec;
    for (const QString &argument : commandLine(fields))
        exec << execArgument(argument);
    // Version 1.4: nothing of 1.5 is used, and the validators that distributions ship know
    // no later one.
    QString entry = QLatin1String("[Desktop Entry]\nType=Application\nVersion=1.4\nName=")
        + escapedValue(fields.name) + QLatin1String("\nExec=") + escapedValue(exec.join(' '))
        + QLatin1String("\nPath=") + escapedValue(workingDirectory(fields)) + QLatin1Char('\n');
    const QString icon = pngIcon(fields.icon, fileName);
    if (!icon.isEmpty())
        entry += QLatin1String("Icon=") + escapedValue(icon) + QLatin1Char('\n');
    entry += QLatin1String("Categories=Game;\n");
    // Executable, or desktops that guard against launchers from elsewhere will not start it.
    return replaceFile(folder + QLatin1Char('/') + fileName + QLatin1String(".desktop"),
                       entry.toUtf8(), 0777);
}

QString Platform::launcherFolder(LauncherPlace place)
{
    return QStandardPaths::writableLocation(place == LauncherPlace::Desktop
                                                ? QStandardPaths::DesktopLocation
                                                : QStandardPaths::ApplicationsLocation);
}

#include "IconPicture.h"
#include "Launcher.h"
#include "ShortcutFiles.h"
#include "platform/files/FileDescriptor.h"
#include "platform/files/RegularFileDescriptor.h"
#include "platform/steam/SteamClient.h"
#include "platform/steam/SteamLibrary.h"
#include "platform/wine/WinePrefix.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
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

QString iconFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QLatin1String("/icons");
}
} // namespace

QByteArray Platform::launcherIcon(const QString &iconFile)
{
    // Icon files of a few hundred kilobytes hold every size up to 256x256.
    constexpr qint64 largestIcon = 16 * 1024 * 1024;
    // Only the directory and the one picture are read: a 16 MB file read whole would cost 9 ms.
    const FileDescriptor fd(openRegularFile(iconFile, largestIcon, FinalLink::Refuse));
    QFile ico;
    const QImage picture =
        fd.valid() && ico.open(fd.get(), QIODevice::ReadOnly) ? iconPicture(&ico) : QImage();
    QByteArray png;
    QBuffer buffer(&png);
    // 8 bits a channel, packed at zlib's quickest level (quality 85): at its default the encoder
    // takes 15 ms for a 256x256 picture of 16-bit noise, most of the window's pause.
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly)
        || !picture.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG", 85))
        return QByteArray();
    return png;
}

QStringList Platform::launcherFileNames(const QString &fileName)
{
    return {fileName + QLatin1String(".desktop"), fileName + QLatin1String(".png")};
}

bool Platform::stageLauncher(ShortcutFiles &files, LauncherPlace place, const QStringList &group,
                             const QString &fileName, const LauncherFields &fields)
{
    const int folder =
        files.folder(launcherFolder(place), place == LauncherPlace::Menu ? group : QStringList());
    if (folder < 0 || fileName.isEmpty())
        return false;

    QStringList exec;
    for (const QString &argument : commandLine(fields))
        exec << execArgument(argument);
    // Version 1.4: nothing of 1.5 is used, and the validators that distributions ship know
    // no later one.
    QString entry = QLatin1String("[Desktop Entry]\nType=Application\nVersion=1.4\nName=")
        + escapedValue(fields.name) + QLatin1String("\nExec=") + escapedValue(exec.join(' '))
        + QLatin1String("\nPath=") + escapedValue(workingDirectory(fields)) + QLatin1Char('\n');
    // An icon that cannot be written leaves the launcher without one, as an unreadable icon does.
    const QString png = fileName + QLatin1String(".png");
    const int icons = fields.iconPng.isEmpty() ? -1 : files.folder(iconFolder());
    if (icons >= 0 && files.stage(icons, png, fields.iconPng))
        entry += QLatin1String("Icon=") + escapedValue(iconFolder() + QLatin1Char('/') + png)
            + QLatin1Char('\n');
    entry += QLatin1String("Categories=Game;\n");
    // Executable, or desktops that guard against launchers from elsewhere will not start it.
    return files.stage(folder, fileName + QLatin1String(".desktop"), entry.toUtf8(), 0777);
}

QString Platform::launcherFolder(LauncherPlace place)
{
    return QStandardPaths::writableLocation(place == LauncherPlace::Desktop
                                                ? QStandardPaths::DesktopLocation
                                                : QStandardPaths::ApplicationsLocation);
}

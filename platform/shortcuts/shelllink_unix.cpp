#include "ShellLink.h"
#include "ShellLinkFormat.h"
#include "platform/files/ReplaceFile.h"
#include "platform/wine/WinePrefix.h"

#include <QDir>
#include <QFileInfo>

#include <climits>

namespace {
// A drive letter of the Wine prefix and the folder it stands for, links resolved.
struct WineDrive
{
    QChar letter;
    QString root;
};

// Where a local path lies for a Windows program running in the prefix.
struct WindowsLocation
{
    QChar drive;
    QString root;
    QStringList names; // below the drive's root

    QString path() const
    {
        return QString(drive) + QLatin1String(":\\") + names.join(QLatin1Char('\\'));
    }
};

QList<WineDrive> wineDrives()
{
    // dosdevices holds "c:" -> ../drive_c, "z:" -> / and so on; "c::" names raw devices.
    const QDir dosdevices(Platform::winePrefix() + QLatin1String("/dosdevices"));
    QList<WineDrive> drives;
    const QStringList names = dosdevices.entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QChar letter = name.isEmpty() ? QChar() : name.at(0).toUpper();
        if (name.size() != 2 || name.at(1) != QLatin1Char(':') || letter < QLatin1Char('A')
            || letter > QLatin1Char('Z'))
            continue;
        const QString root = QFileInfo(dosdevices.filePath(name)).canonicalFilePath();
        if (!root.isEmpty() && QFileInfo(root).isDir())
            drives.append({letter, root});
    }
    return drives;
}

// `path` with every link resolved, so that drive_c/... and dosdevices/c:/... look the same;
// the part that does not exist (an icon not installed yet) is kept as given.
QString resolvedPath(const QString &path)
{
    QFileInfo existing(QDir::cleanPath(path));
    // No file system call takes a longer path, and walking up one of, say, a hundred thousand
    // characters a name at a time would cost their square.
    if (existing.filePath().size() > PATH_MAX)
        return existing.absoluteFilePath();
    QStringList missing;
    while (!existing.exists() && !existing.isRoot()) {
        missing.prepend(existing.fileName());
        existing = QFileInfo(existing.path());
    }
    QString resolved = existing.canonicalFilePath();
    if (resolved.isEmpty())
        resolved = existing.absoluteFilePath();
    for (const QString &name : std::as_const(missing)) {
        if (!resolved.endsWith(QLatin1Char('/')))
            resolved += QLatin1Char('/');
        resolved += name;
    }
    return resolved;
}

bool isInside(const QString &path, const QString &root)
{
    return root == QLatin1String("/") || path == root || path.startsWith(root + QLatin1Char('/'));
}

// The deepest drive root that holds the path wins, as in Wine; anything else is on Z:, which
// Wine maps to the root of the file system.
WindowsLocation locate(const QString &localPath, const QList<WineDrive> &drives)
{
    const QString path = resolvedPath(localPath);
    WindowsLocation location {QLatin1Char('Z'), QStringLiteral("/"), {}};
    int bestRootSize = -1;
    for (const WineDrive &drive : drives) {
        if (isInside(path, drive.root) && drive.root.size() > bestRootSize) {
            bestRootSize = int(drive.root.size());
            location.drive = drive.letter;
            location.root = drive.root;
        }
    }
    location.names = path.mid(location.root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return location;
}

QString windowsPath(const QString &localPath, const QList<WineDrive> &drives)
{
    return localPath.isEmpty() ? QString() : locate(localPath, drives).path();
}

QList<Platform::ShellLinkItem> itemsOf(const WindowsLocation &location)
{
    QList<Platform::ShellLinkItem> items;
    QString local = location.root;
    for (int i = 0; i < location.names.size(); ++i) {
        if (!local.endsWith(QLatin1Char('/')))
            local += QLatin1Char('/');
        local += location.names.at(i);
        const QFileInfo info(local);
        Platform::ShellLinkItem item;
        item.name = location.names.at(i);
        item.directory = info.exists() ? info.isDir() : i + 1 < location.names.size();
        item.size = info.isFile() ? quint64(info.size()) : 0;
        item.modified = info.lastModified();
        item.accessed = info.lastRead();
        item.created = info.birthTime().isValid() ? info.birthTime() : item.modified;
        items.append(item);
    }
    return items;
}
} // namespace

QByteArray Platform::shellLinkBytes(const ShellLinkFields &fields)
{
    if (fields.target.isEmpty())
        return QByteArray();
    const QList<WineDrive> drives = wineDrives();
    const WindowsLocation target = locate(fields.target, drives);

    ShellLinkImage image;
    image.drive = target.drive;
    image.items = itemsOf(target);
    image.workingDirectory = windowsPath(fields.workingDirectory, drives);
    image.arguments = fields.arguments;
    image.iconLocation = windowsPath(fields.iconPath, drives);
    image.iconIndex = fields.iconIndex;
    return encodeShellLink(image);
}

bool Platform::writeShellLink(const QString &linkPath, const ShellLinkFields &fields)
{
    const QByteArray bytes = shellLinkBytes(fields);
    return !bytes.isEmpty() && Platform::replaceFile(linkPath, bytes);
}

#include "OldVersion.h"

#include "platform/LocalPath.h"
#include "platform/StandardFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

// A link to a directory is a directory entry on Windows, a file entry elsewhere.
bool removeLink(const QString &path)
{
    return QFile::remove(path) || QDir().rmdir(path);
}
} // namespace

QString oldVersionPath()
{
    return Platform::documentsFolder()
        + QLatin1String("\\My Games\\Unreal Tournament 3\\UTGame\\DuskmereGame");
}

bool removeDirectory(const QString &path)
{
    const QString local = Platform::localPath(path);
    const QFileInfo self(local);
    if (isLink(self))
        return removeLink(local);
    if (!self.exists())
        return true;

    const QFileInfoList entries =
        QDir(local).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        QCoreApplication::processEvents();
        const QString entryPath = entry.absoluteFilePath();
        if (isLink(entry)) {
            if (!removeLink(entryPath))
                return false;
        } else if (entry.isDir()) {
            if (!removeDirectory(entryPath))
                return false;
        } else if (!QFile::remove(entryPath)) {
            return false;
        }
    }
    return QDir().rmdir(local);
}

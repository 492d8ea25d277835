#include "OldVersion.h"

#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/removal/Removal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString oldVersionPath()
{
    return Platform::documentsFolder()
        + QLatin1String("\\My Games\\Unreal Tournament 3\\UTGame\\DuskmereGame");
}

bool removeDirectory(const QString &path)
{
    const QString local = Platform::localPath(path);
    if (Platform::isLink(local))
        return Platform::removeFileOrLink(local);
    if (!QFileInfo::exists(local))
        return true;

    const QFileInfoList entries =
        QDir(local).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        QCoreApplication::processEvents();
        const QString entryPath = entry.absoluteFilePath();
        // A link to a folder looks like a folder; a read-only file from an earlier install
        // goes like any other.
        if (entry.isDir() && !Platform::isLink(entryPath)) {
            if (!removeDirectory(entryPath))
                return false;
        } else if (!Platform::removeFileOrLink(entryPath)) {
            return false;
        }
    }
    return QDir().rmdir(local);
}

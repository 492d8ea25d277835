#include "OldVersion.h"

#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/removal/Removal.h"

#include <QCoreApplication>

QString oldVersionPath()
{
    return Platform::documentsFolder()
        + QLatin1String("\\My Games\\Unreal Tournament 3\\UTGame\\DuskmereGame");
}

bool removeDirectory(const QString &path)
{
    // A large old version takes a while: the window draws between two entries.
    return Platform::removeTree(Platform::localPath(path),
                                [] { QCoreApplication::processEvents(); });
}

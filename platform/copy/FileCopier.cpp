#include "FileCopier.h"

#include "platform/removal/Removal.h"

#include <QDir>
#include <QFileInfo>

// The root may well be reached through a link (a moved Documents folder), which is the user's
// choice; only a file standing in its place goes.
bool Platform::FileCopier::makeRoot(const QString &root)
{
    const QFileInfo info(root);
    if (info.exists() && !info.isDir() && !Platform::removeFileOrLink(root))
        return false;
    return QDir().mkpath(root);
}

bool Platform::FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    StagedFile file = stage(source, target);
    if (size && file.ok())
        *size = file.size();
    return file.ok() && replace(file);
}

#include "StandardFolders.h"

#include <QStandardPaths>

namespace {
QString &root()
{
    static QString folder;
    return folder;
}

QString folder(QStandardPaths::StandardLocation location, const char *belowRoot)
{
    return root().isEmpty() ? QStandardPaths::writableLocation(location)
                            : root() + QLatin1Char('/') + QLatin1String(belowRoot);
}
} // namespace

QString Platform::documentsFolder()
{
    return folder(QStandardPaths::DocumentsLocation, "Documents");
}

QString Platform::desktopFolder()
{
    return folder(QStandardPaths::DesktopLocation, "Desktop");
}

QString Platform::startMenuFolder()
{
    return folder(QStandardPaths::ApplicationsLocation, "Start Menu");
}

void Platform::setStandardFoldersRoot(const QString &newRoot)
{
    root() = newRoot;
}

QString Platform::standardFoldersRoot()
{
    return root();
}

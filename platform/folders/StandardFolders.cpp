#include "StandardFolders.h"

namespace {
QString &root()
{
    static QString folder;
    return folder;
}

QString folder(Platform::StandardFolder which, const char *belowRoot)
{
    return root().isEmpty() ? Platform::systemStandardFolder(which)
                            : root() + QLatin1Char('/') + QLatin1String(belowRoot);
}
} // namespace

QString Platform::documentsFolder()
{
    return folder(StandardFolder::Documents, "Documents");
}

QString Platform::desktopFolder()
{
    return folder(StandardFolder::Desktop, "Desktop");
}

QString Platform::startMenuFolder()
{
    return folder(StandardFolder::StartMenu, "Start Menu");
}

void Platform::setStandardFoldersRoot(const QString &newRoot)
{
    root() = newRoot;
}

QString Platform::standardFoldersRoot()
{
    return root();
}

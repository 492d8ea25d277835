#include "StandardFolders.h"

#include "SystemFolders.h"

namespace {
QString &root()
{
    static QString folder;
    return folder;
}

QString folder(SystemFolders::Folder which, const char *belowRoot)
{
    return root().isEmpty() ? SystemFolders::path(which)
                            : root() + QLatin1Char('/') + QLatin1String(belowRoot);
}
} // namespace

QString Platform::documentsFolder()
{
    return folder(SystemFolders::Folder::Documents, "Documents");
}

QString Platform::desktopFolder()
{
    return folder(SystemFolders::Folder::Desktop, "Desktop");
}

QString Platform::startMenuFolder()
{
    return folder(SystemFolders::Folder::StartMenu, "Start Menu");
}

void Platform::setStandardFoldersRoot(const QString &newRoot)
{
    root() = newRoot;
}

QString Platform::standardFoldersRoot()
{
    return root();
}

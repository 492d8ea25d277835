#include "SystemFolders.h"

#include <QStandardPaths>

QString SystemFolders::path(Folder folder)
{
    switch (folder) {
    case Folder::Documents:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case Folder::Desktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case Folder::StartMenu:
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    }
    return QString();
}

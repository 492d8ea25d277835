#include "StandardFolders.h"

#include <QStandardPaths>

QString Platform::systemStandardFolder(StandardFolder folder)
{
    switch (folder) {
    case StandardFolder::Documents:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case StandardFolder::Desktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case StandardFolder::StartMenu:
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    }
    return QString();
}

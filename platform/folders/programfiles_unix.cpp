#include "ProgramFiles.h"
#include "platform/wine/WinePrefix.h"

#include <QFileInfo>

QString Platform::programFilesFolder()
{
    // A 64-bit prefix keeps 32-bit programs, the game among them, in the "(x86)" folder.
    const QString driveC = Platform::winePrefix() + QLatin1String("/drive_c/");
    for (const char *name : {"Program Files (x86)", "Program Files"}) {
        const QFileInfo folder(driveC + QLatin1String(name));
        if (folder.isDir())
            return folder.absoluteFilePath();
    }
    return QStringLiteral("C:\\Program Files");
}

#include "RegularFile.h"

#include <QFileInfo>

bool Platform::isRegularFile(const QString &path)
{
    // QFileInfo follows links and calls only regular files (and resources) files: FIFOs,
    // sockets and devices are neither files nor folders to it.
    return QFileInfo(path).isFile();
}

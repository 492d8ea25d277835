#include "ProgramFiles.h"

QString programFilesFolder()
{
    return QStringLiteral("C:\\Program Files"); // the Wine prefix lookup is not written yet
}

#include "Win32Path.h"

#include <QDir>

#include <windows.h>

std::wstring Platform::win32Path(const QString &path)
{
    QString native = QDir::toNativeSeparators(path);
    if (native.size() >= MAX_PATH - 12 && native.size() > 2 && native.at(1) == QLatin1Char(':'))
        native.prepend(QLatin1String("\\\\?\\"));
    else if (native.size() >= MAX_PATH - 12 && native.startsWith(QLatin1String("\\\\"))
             && !native.startsWith(QLatin1String("\\\\?\\")))
        native = QLatin1String("\\\\?\\UNC\\") + native.mid(2);
    return native.toStdWString();
}

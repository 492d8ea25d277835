#include "FileCopier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <windows.h>

// CopyFileW (behind QFile::copy) refuses to overwrite and leaves the writing to the system
// cache; the flush of every copied file at the end makes the run durable in one batch.
struct FileCopier::Private
{
    QStringList copied;
};

FileCopier::FileCopier()
    : d(std::make_unique<Private>())
{ }

FileCopier::~FileCopier() = default;

bool FileCopier::copy(const QString &source, const QString &target, qint64 *size)
{
    if (!QFile::copy(source, target))
        return false;
    d->copied.append(target);
    if (size)
        *size = QFileInfo(target).size();
    return true;
}

bool FileCopier::sync(const QString &targetRoot)
{
    bool ok = QFileInfo(targetRoot).isDir();
    for (const QString &file : std::as_const(d->copied)) {
        const std::wstring path = QDir::toNativeSeparators(file).toStdWString();
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            ok = false;
            continue;
        }
        ok = FlushFileBuffers(handle) && ok;
        CloseHandle(handle);
    }
    d->copied.clear();
    return ok;
}

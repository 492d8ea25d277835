#include "RunFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <windows.h>

namespace {
std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

// Names are UTF-16 here, which text holds as they are; Qt's removal also clears the read-only
// attribute that would stop it. (The standard library of mingw-w64 loops for ever on some trees.)
bool RunFolder::removeAll(const QString &path)
{
    return QDir(path).removeRecursively() || !QFileInfo::exists(path);
}

// Each user has a temporary folder of their own.
bool RunFolder::isPrivateFolder(const QString &path)
{
    const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {
QList<HANDLE> locks;
}

// A file held open without leave to delete it until the process ends.
void RunFolder::holdLock(const QString &folder)
{
    const HANDLE lock = CreateFileW(nativePath(folder + "/lock").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    if (lock == INVALID_HANDLE_VALUE)
        qFatal("cannot lock %s", qPrintable(folder));
    locks << lock;
}

void RunFolder::releaseLocks()
{
    for (HANDLE lock : std::as_const(locks))
        CloseHandle(lock);
    locks.clear();
}

bool RunFolder::isAlive(const QString &folder, qint64 pid)
{
    if (DeleteFileW(nativePath(folder + "/lock").c_str()))
        return false;
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
        return true;
    // Killed before it took its lock, or still taking it.
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void RunFolder::unmountBelow(const QString &)
{ }

void RunFolder::watchForEnd(const QStringList &)
{ }

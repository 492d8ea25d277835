#include "RunFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// By bytes: a name that is not UTF-8 would not survive decoding into text and back.
bool RunFolder::removeAll(const QString &path)
{
    namespace fs = std::filesystem;
    const fs::path native = QFile::encodeName(path).toStdString();
    std::error_code error;
    fs::remove_all(native, error);
    if (error) {
        // A folder a test closed to its owner, where the run is not root: opened up, it goes
        // too. Links stay as they are; remove_all takes them as links.
        if (!fs::is_symlink(fs::symlink_status(native, error)))
            fs::permissions(native, fs::perms::owner_all, fs::perm_options::add, error);
        for (fs::recursive_directory_iterator it(native, error), end; !error && it != end;
             it.increment(error))
            if (!it->is_symlink(error))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        error.clear();
        fs::remove_all(native, error);
    }
    return !fs::exists(fs::symlink_status(native, error));
}

bool RunFolder::isPrivateFolder(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

namespace {
QList<int> locks;
}

// A lock held on "lock" from before the name shows until the process ends, which no program
// started meanwhile inherits.
void RunFolder::holdLock(const QString &folder)
{
    const QByteArray fresh = QFile::encodeName(folder + "/lock.new");
    const int fd = ::open(fresh.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0
        || ::rename(fresh.constData(), QFile::encodeName(folder + "/lock").constData()) != 0)
        qFatal("cannot lock %s", qPrintable(folder));
    locks << fd;
}

void RunFolder::releaseLocks()
{
    for (int fd : std::as_const(locks))
        ::close(fd);
    locks.clear();
}

bool RunFolder::isAlive(const QString &folder, qint64 pid)
{
    const int fd =
        ::open(QFile::encodeName(folder + "/lock").constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) // killed before it took its lock, or still taking it
        return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

// The mount points below `path` (as /proc writes them: space, tab, newline and backslash in
// octal), deepest first, each unmounted at once or as soon as it is no longer busy.
void RunFolder::unmountBelow(const QString &path)
{
    QFile table("/proc/self/mountinfo");
    const QByteArray root = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    if (root.isEmpty() || !table.open(QIODevice::ReadOnly))
        return;
    QList<QByteArray> below;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QByteArray escaped = line.split(' ').value(4);
        QByteArray point;
        for (qsizetype i = 0; i < escaped.size(); ++i) {
            if (escaped[i] == '\\' && i + 3 < escaped.size()) {
                point += char(escaped.mid(i + 1, 3).toInt(nullptr, 8));
                i += 3;
            } else {
                point += escaped[i];
            }
        }
        if (point == root || point.startsWith(root + '/'))
            below << point;
    }
    std::sort(below.begin(), below.end(), std::greater<QByteArray>());
    for (const QByteArray &point : below)
        ::umount2(point.constData(), MNT_DETACH);
}

// A child that does nothing but wait for the end of a pipe that only this process holds open:
// the pipe ends with the process however it ends, SIGKILL too, and the child then removes the
// folders. It ignores the signals that end a run from the terminal, which reach it too.
void RunFolder::watchForEnd(const QStringList &folders)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(signal, SIG_IGN);
        ::close(ends[1]);
        char byte;
        while (::read(ends[0], &byte, 1) != 0 && errno == EINTR) { }
        for (const QString &folder : folders)
            removeTree(folder);
        ::_exit(0);
    }
    ::close(ends[0]);
    if (watcher < 0)
        ::close(ends[1]);
}

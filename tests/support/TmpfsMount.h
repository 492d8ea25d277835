#pragma once

#include <QDir>
#include <QProcess>

// A small tmpfs of its own for a test that needs a file system to fill up or to watch. Mounting
// needs root and a system that allows it; where it is refused, the test skips with `reason()`.
// The mount tool rather than the system call: its own message then stands above a skip.
class TmpfsMount
{
public:
    TmpfsMount(const QString &path, qint64 bytes)
        : mountPoint(path)
    {
        const QStringList arguments {"-t", "tmpfs", "-osize=" + QString::number(bytes), "tmpfs",
                                     path};
        if (!QDir().mkpath(path) || QProcess::execute("mount", arguments) != 0)
            failure = "cannot mount a tmpfs at " + path + " (needs root where mounting is allowed)";
    }
    ~TmpfsMount()
    {
        if (isMounted() && QProcess::execute("umount", {mountPoint}) != 0)
            QProcess::execute("umount", {"-l", mountPoint});
    }
    Q_DISABLE_COPY(TmpfsMount)

    bool isMounted() const { return failure.isEmpty(); }
    QString reason() const { return failure; }

private:
    QString mountPoint;
    QString failure;
};

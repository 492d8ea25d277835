#include "TmpfsMount.h"

#include <QDir>
#include <QProcess>

// The mount tool rather than the system call: its own message then stands above a skip.
TmpfsMount::TmpfsMount(const QString &path, qint64 bytes)
    : mountPoint(path)
{
    const QStringList arguments {"-t", "tmpfs", QStringLiteral("-osize=%1").arg(bytes), "tmpfs",
                                 path};
    if (!QDir().mkpath(path) || QProcess::execute(QStringLiteral("mount"), arguments) != 0)
        failure = "cannot mount a tmpfs at " + path + " (needs root where mounting is allowed)";
}

TmpfsMount::~TmpfsMount()
{
    if (isMounted() && QProcess::execute(QStringLiteral("umount"), {mountPoint}) != 0)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint});
}

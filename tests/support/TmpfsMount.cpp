#include "TmpfsMount.h"

#include <QDir>
#include <QProcess>

namespace {

// The mount tools rather than the system call: the same code then simply finds no tool where
// there is no such file system, and the tests skip.
bool runTool(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(20000)) {
        *output = tool.errorString();
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    *output = QString::fromLocal8Bit(tool.readAll()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

} // namespace

TmpfsMount::TmpfsMount(const QString &path, qint64 bytes)
    : mountPoint(path)
{
    QString output;
    if (!QDir().mkpath(path)) {
        failure = QStringLiteral("cannot make the mount point %1").arg(path);
        return;
    }
    const QStringList arguments {QStringLiteral("-t"),    QStringLiteral("tmpfs"),
                                 QStringLiteral("-o"),    QStringLiteral("size=%1").arg(bytes),
                                 QStringLiteral("tmpfs"), path};
    mounted = runTool(QStringLiteral("mount"), arguments, &output);
    if (!mounted)
        failure = QStringLiteral("cannot mount a tmpfs here (needs root and a system that allows "
                                 "mounting): %1")
                      .arg(output.isEmpty() ? QStringLiteral("mount failed") : output);
}

TmpfsMount::~TmpfsMount()
{
    QString output;
    if (mounted && !runTool(QStringLiteral("umount"), {mountPoint}, &output))
        runTool(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint}, &output);
}

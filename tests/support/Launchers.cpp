#include "Launchers.h"

#include "Sandbox.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {
QString run(const QString &tool, const QStringList &arguments, const QProcessEnvironment &env)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return tool + " is not installed";
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return tool + " did not finish";
    const QString output = QString::fromUtf8(process.readAll()).trimmed();
    return process.exitCode() == 0 ? output : output + " (failed)";
}
} // namespace

QString Launchers::problems(const QString &desktopFile)
{
    return run("desktop-file-validate", {desktopFile}, QProcessEnvironment::systemEnvironment());
}

QString Launchers::standIns(const Sandbox &sandbox)
{
    const QByteArray script = "#!/bin/sh\n{ basename \"$0\"; printf '%s\\n' \"$@\"; "
                              "echo \"cwd=$PWD\"; echo \"WINEPREFIX=$WINEPREFIX\"; } "
                              "> \"$RECORD.part\" && mv \"$RECORD.part\" \"$RECORD\"\n";
    for (const char *name : {"bin/steam", "bin/wine"}) {
        sandbox.write(QLatin1String(name), script);
        QFile::setPermissions(sandbox.path(QLatin1String(name)),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return sandbox.path("bin");
}

QStringList Launchers::started(const Sandbox &sandbox, const QString &desktopFile)
{
    const QString record = sandbox.path("started");
    QFile::remove(record);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", standIns(sandbox) + ':' + env.value("PATH"));
    env.insert("RECORD", record);
    env.remove("WINEPREFIX");
    const QString problem = run("gio", {"launch", desktopFile}, env);
    if (!problem.isEmpty())
        qWarning("gio: %s", qPrintable(problem));
    if (!QTest::qWaitFor([&] { return QFile::exists(record); }, 10000))
        return {};
    return QString::fromUtf8(sandbox.read(record)).split('\n', Qt::SkipEmptyParts);
}

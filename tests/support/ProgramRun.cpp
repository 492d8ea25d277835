#include "ProgramRun.h"

#include "Sandbox.h"
#include "platform/folders/StandardFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>

// The autopilot lies in "generic" beside the test programs, where Qt looks for plug-ins of that
// kind below each folder of QT_PLUGIN_PATH.
bool ProgramRun::available()
{
    return !QDir(QCoreApplication::applicationDirPath() + "/generic").isEmpty(QDir::Files);
}

QString ProgramRun::folder(QString (*standardFolder)())
{
    const QString root = Platform::standardFoldersRoot();
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        Platform::setStandardFoldersRoot({});
    const QString folder = standardFolder();
    Platform::setStandardFoldersRoot(root);
    return folder;
}

QStringList ProgramRun::Result::records(const char *kind) const
{
    const QString prefix = QLatin1String(kind) + '\t';
    QStringList result;
    for (const QString &line : log)
        if (line.startsWith(prefix))
            result.append(line.mid(prefix.size()));
    return result;
}

ProgramRun::Result ProgramRun::run(const Sandbox &sandbox) const
{
    Result result;
    const QString logPath = sandbox.path("autopilot.log");
    QFile::remove(logPath);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_PLUGIN_PATH", QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    env.insert("QT_QPA_GENERIC_PLUGINS", "duskmereautopilot");
    env.insert("DUSKMERE_AUTOPILOT_FOLDERS", sandbox.home());
    env.insert("DUSKMERE_AUTOPILOT", steps.join(';'));
    env.insert("DUSKMERE_AUTOPILOT_NEXT", stepsOfNewCopy.join(';'));
    env.insert("DUSKMERE_AUTOPILOT_LOG", logPath);

    // Under Wine a start now and then ends before any of the program's code runs: nothing logged,
    // not even the autopilot's start. That is no way out of the program's own; one more try.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(sandbox.work());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(qEnvironmentVariable("DUSKMERE_PROGRAM", QStringLiteral(DUSKMERE_PROGRAM)),
                      arguments);
        result.finished = program.waitForFinished(60000);
        if (!result.finished) {
            program.kill();
            program.waitForFinished();
        }
        result.crashed = program.exitStatus() == QProcess::CrashExit;
        result.exitCode = program.exitCode();
        if (QFileInfo(logPath).size() > 0 || attempt == 2)
            break;
        qWarning("the program ended before it started (exit code %#x, %s); once more",
                 unsigned(result.exitCode), qPrintable(program.errorString()));
    }
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly))
        result.log = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    return result;
}

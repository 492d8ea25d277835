#include "ProgramRun.h"

#include "Sandbox.h"

#include <QFile>
#include <QProcess>

bool ProgramRun::available()
{
#ifdef DUSKMERE_AUTOPILOT
    return QFile::exists(QStringLiteral(DUSKMERE_AUTOPILOT));
#else
    return false;
#endif
}

QStringList ProgramRun::Result::records(const char *kind) const
{
    const QString prefix = QLatin1String(kind) + QLatin1Char('\t');
    QStringList result;
    for (const QString &line : log)
        if (line.startsWith(prefix))
            result.append(line.mid(prefix.size()));
    return result;
}

ProgramRun::Result ProgramRun::run(const Sandbox &sandbox) const
{
    Result result;
    const QString logPath = sandbox.path(QStringLiteral("autopilot.log"));
    QFile::remove(logPath);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
#ifdef DUSKMERE_AUTOPILOT
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(DUSKMERE_AUTOPILOT));
#endif
    env.insert(QStringLiteral("DUSKMERE_AUTOPILOT"), steps.join(QLatin1Char(';')));
    env.insert(QStringLiteral("DUSKMERE_AUTOPILOT_NEXT"), stepsOfNewCopy.join(QLatin1Char(';')));
    env.insert(QStringLiteral("DUSKMERE_AUTOPILOT_LOG"), logPath);

    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(sandbox.work());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(DUSKMERE_PROGRAM), arguments);
    result.finished = program.waitForFinished(timeoutMs);
    if (!result.finished) {
        program.kill();
        program.waitForFinished();
    }
    result.crashed = program.exitStatus() == QProcess::CrashExit;
    result.exitCode = program.exitCode();

    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly))
        result.log = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

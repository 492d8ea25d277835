#include "SampleWorld.h"

#include "Sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {
const char SystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
    "InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}] 1700000000\n"
    "#time=1da1f2e3c4b5a69\n"
    "\"DisplayName\"=\"Unreal Tournament 3\"\n"
    "\"InstallLocation\"=\"C:\\\\Games\\\\Unreal Tournament 3\\\\\"\n";
const char UserReg[] = "WINE REGISTRY Version 2\n"
                       ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                       "[Software\\\\Valve\\\\Steam] 1700000000\n"
                       "\"InstallPath\"=\"C:\\\\Program Files (x86)\\\\Steam\"\n";

void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            qFatal("cannot copy %s", qPrintable(source));
    }
}
} // namespace

void SampleWorld::prepare(const Sandbox &sandbox)
{
    copyTree(QStringLiteral(DUSKMERE_SOURCE_DIR "/sample"), sandbox.work());
    // Where no Wine registry stands in for Windows' own (on Windows), the fallback finds them.
    QFile config(sandbox.work() + QStringLiteral("/ds.conf"));
    if (!config.open(QIODevice::Append))
        qFatal("cannot extend ds.conf");
    config.write("\n[Paths]\nUT3Path=\"" + sandbox.prefix().toUtf8()
                 + "/drive_c/Games/Unreal Tournament 3\"\nSteamPath=\"" + sandbox.prefix().toUtf8()
                 + "/drive_c/Program Files (x86)/Steam\"\n");
    sandbox.write(QStringLiteral("wineprefix/system.reg"), SystemReg);
    sandbox.write(QStringLiteral("wineprefix/user.reg"), UserReg);
    sandbox.write(QStringLiteral("wineprefix/drive_c/Games/Unreal Tournament 3/Binaries/UT3.exe"),
                  "MZ retail");
    sandbox.write(QStringLiteral("wineprefix/drive_c/Program Files (x86)/Steam/Steam.exe"),
                  "MZ steam");
    sandbox.mkdir(QStringLiteral("wineprefix/dosdevices"));
    if (!QFile::link(QStringLiteral("../drive_c"), sandbox.prefix() + "/dosdevices/c:"))
        qFatal("cannot link drive c:");
}

QString SampleWorld::dataDir(const Sandbox &sandbox)
{
    return QFileInfo(sandbox.work() + QStringLiteral("/GameFiles")).canonicalFilePath();
}

QString SampleWorld::retailExe(const Sandbox &sandbox)
{
    return sandbox.prefix() + QStringLiteral("/drive_c/Games/Unreal Tournament 3/Binaries/UT3.exe");
}

QString SampleWorld::steamExe(const Sandbox &sandbox)
{
    return sandbox.prefix() + QStringLiteral("/drive_c/Program Files (x86)/Steam/Steam.exe");
}

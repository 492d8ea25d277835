#include "SampleWorld.h"

#include "Sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QSettings>

namespace {
const char SystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
    "InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}] 1700000000\n"
    "#time=1da1f2e3c4b5a69\n"
    "\"DisplayName\"=\"Unreal Tournament 3\"\n"
    "\"InstallLocation\"=\"C:\\\\Games\\\\Unreal Tournament 3\\\\\"\n";
const char RetailKey[] = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                         "InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}";
const char UserReg[] = "WINE REGISTRY Version 2\n"
                       ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                       "[Software\\\\Valve\\\\Steam] 1700000000\n"
                       "\"InstallPath\"=\"C:\\\\Program Files (x86)\\\\Steam\"\n";

const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;

void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + '/' + QDir(from).relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            qFatal("cannot copy %s", qPrintable(source));
    }
}
} // namespace

QString SampleWorld::source()
{
    return qEnvironmentVariable("DUSKMERE_SAMPLE_DIR",
                                QStringLiteral(DUSKMERE_SOURCE_DIR "/sample"));
}

void SampleWorld::prepare(const Sandbox &sandbox)
{
    copyTree(source(), sandbox.work());
    sandbox.write("wineprefix/system.reg", SystemReg);
    sandbox.write("wineprefix/user.reg", UserReg);
    sandbox.write("wineprefix/drive_c/Games/Unreal Tournament 3/Binaries/UT3.exe", "MZ retail");
    sandbox.write("wineprefix/drive_c/Program Files (x86)/Steam/Steam.exe", "MZ steam");
    sandbox.mkdir("wineprefix/dosdevices");
    if (!QFile::link("../drive_c", sandbox.prefix() + "/dosdevices/c:"))
        qFatal("cannot link drive c:");
    if (!windows) {
        // As Wine makes an account: its Documents and Desktop are the host's.
        const QString account =
            sandbox.prefix() + "/drive_c/users/" + QFileInfo(sandbox.home()).owner();
        QDir().mkpath(account);
        for (const char *folder : {"/Documents", "/Desktop"}) {
            QDir().mkpath(sandbox.home() + folder);
            QFile::link(sandbox.home() + folder, account + folder);
        }
        return;
    }
    // Windows has a registry of its own: the installers' values go below the sandbox's key, and
    // key lists (Latin-1) of the sandbox's own name them.
    const QString key = sandbox.registryKey() + '\\';
    const QString driveC = QDir::toNativeSeparators(sandbox.prefix() + "/drive_c/");
    QSettings(key + RetailKey, QSettings::NativeFormat)
        .setValue("InstallLocation", driveC + "Games\\Unreal Tournament 3\\");
    QSettings(key + "Software\\Valve\\Steam", QSettings::NativeFormat)
        .setValue("InstallPath", driveC + "Program Files (x86)\\Steam");
    sandbox.write("work/ut3.keys", (key + RetailKey + "\\InstallLocation").toLatin1());
    sandbox.write("work/steam.keys", (key + "Software\\Valve\\Steam\\InstallPath").toLatin1());
}

QString SampleWorld::inLink(const Sandbox &sandbox, bool steam)
{
    if (!windows)
        return steam ? "C:\\Program Files (x86)\\Steam\\Steam.exe"
                     : "C:\\Games\\Unreal Tournament 3\\Binaries\\UT3.exe";
    return QDir::toNativeSeparators(
        QFileInfo(steam ? steamExe(sandbox) : retailExe(sandbox)).canonicalFilePath());
}

QByteArray SampleWorld::libraryFolders(const QString &first, const QString &second)
{
    return QStringLiteral(R"("libraryfolders"
{
	"0"
	{
		"path"		"%1"
		"label"		""
		"apps"		{ "228980"		"560808265" }
	}
	"1"
	{
		"path"		"%2"
		"label"		"Games \"2\""
		"contentid"		"7284736208120394101"
		"apps"		{ "13210"		"8466227812" }
	}
}
)")
        .arg(first, second)
        .toUtf8();
}

QString SampleWorld::steamHome(const Sandbox &sandbox, const QString &otherRoot)
{
    const QString root =
        sandbox.home() + '/' + (otherRoot.isEmpty() ? ".local/share/Steam" : otherRoot);
    const QString library = otherRoot.isEmpty() ? sandbox.path("Games/SteamLibrary") : root;
    sandbox.write(root + "/steamapps/libraryfolders.vdf", libraryFolders(root, library));
    sandbox.write(root + "/steam.sh", "#!/bin/sh\n");
    QFile::setPermissions(root + "/steam.sh", QFile::ReadOwner | QFile::ExeOwner);
    sandbox.write(library + "/steamapps/appmanifest_13210.acf",
                  "\"AppState\" { \"appid\" \"13210\" \"installdir\" \"Unreal Tournament 3\" }");
    sandbox.write(library + "/steamapps/common/Unreal Tournament 3/Binaries/UT3.exe", "MZ game");
    const QString prefix = protonPrefix(library);
    sandbox.write(prefix + "/user.reg", R"(WINE REGISTRY Version 2
[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1700000000
"Personal"="C:\\users\\steamuser\\Documents"
)");
    QDir().mkpath(prefix + "/drive_c/users/steamuser/Documents");
    QDir().mkpath(prefix + "/dosdevices");
    QFile::link("../drive_c", prefix + "/dosdevices/c:");
    return library;
}

QString SampleWorld::protonPrefix(const QString &library)
{
    return library + "/steamapps/compatdata/13210/pfx";
}

QString SampleWorld::dataDir(const Sandbox &sandbox)
{
    return QFileInfo(sandbox.work() + "/GameFiles").canonicalFilePath();
}

QString SampleWorld::retailExe(const Sandbox &sandbox)
{
    return sandbox.prefix() + "/drive_c/Games/Unreal Tournament 3/Binaries/UT3.exe";
}

QString SampleWorld::steamExe(const Sandbox &sandbox)
{
    // Windows takes the name as the registry spells it and as it is written: letter case does
    // not matter there.
    return sandbox.prefix() + "/drive_c/Program Files (x86)/Steam/"
        + (windows ? "steam.exe" : "Steam.exe");
}

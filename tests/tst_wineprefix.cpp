#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/gather/InstallDetector.h"
#include "platform/folders/LocalPath.h"
#include "platform/folders/StandardFolders.h"
#include "platform/registry/Registry.h"
#include "platform/shortcuts/Launcher.h"
#include "platform/shortcuts/ShortcutFiles.h"
#include "platform/steam/SteamKeyValues.h"
#include "platform/steam/SteamLibrary.h"
#include "platform/wine/Edition.h"
#include "platform/wine/SetupNotice.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

// What the Unix build reads from the Wine prefix (registry, drives, Program Files), finding UT3.exe
// or Steam.exe there, and Steam for Linux: its files as read, and the prefix the game runs in.
class TestWinePrefix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SKIP_ON_WINDOWS("Windows has a registry and drives of its own"); }
    void registry_data();
    void registry();
    void hiveChangesBetweenLookups();
    void localPath_data();
    void localPath();
    void detect_data();
    void detect();
    void noSteamClient_data();
    void noSteamClient();
    void keyValues_data();
    void keyValues();
    void prefix_data();
    void prefix();
};

namespace {

const QString steam = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Valve\\Steam");
const QByteArray head("WINE REGISTRY Version 2\n");
const QByteArray key("[Software\\\\Valve\\\\Steam] 1699999999\n");
const QByteArray value("\"InstallPath\"=\"C:\\\\Steam\"\n");
const QString flatpakRoot = QStringLiteral(".var/app/com.valvesoftware.Steam/data/Steam");

// In the form Wine writes, with keys that have times and options.
const QByteArray sample = R"(WINE REGISTRY Version 2
[Software\\Valve\\Steam] 1699999999
#time=1da1b2c3d4e5f60
@="machine default"
"InstallPath"="C:\\Program Files (x86)\\Steam"
"Escaped"="\"\tCaf\xe9 Ren\x00e9e \0012 \xd83c\xdfae\e\f\a\b\n\r\v"
"Raw"="Café"
"Expand"=str(2):"%ProgramFiles%\\Steam"
"Multi"=str(7):"a\0b\0"
"Hex1"=hex(1):43,00,3a,00,5c,00,55,00,54,00,33,00,ac,20
"Hex4"=hex(4):2a,ff,00,80
"HexB"=hex(b):01,00,00,00,00,00,00,01
"Hex7"=hex(7):61,00,00,00
"Wrapped"=dword:10000000000000041
"Hex2"=hex(2):25,00,50,00,46,00,25,00,\
  5c,00,00,00,78,00
"Dword"=dword:ffffffff
;"Commented"="gone"
[Software\\Caf\xe9\\Odd\]Name] 1699999999
"Value"="escaped key"
)";

} // namespace

void TestWinePrefix::registry_data()
{
    QTest::addColumn<QByteArray>("hive"); // system.reg; user.reg holds only C:\Steam
    QTest::addColumn<QString>("path"); // key|value name
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &keyPath, const QString &valueName,
                        const QString &expected, const QByteArray &hive = sample) {
        QTest::newRow(name) << hive << keyPath + '|' + valueName << expected;
    };
    row("user hive", "HKEY_CURRENT_USER\\SOFTWARE\\Valve\\Steam", "InstallPath", "C:\\Steam");
    row("machine hive, any letter case", "hkey_local_machine\\software\\VALVE\\steam",
        "INSTALLPATH", "C:\\Program Files (x86)\\Steam");
    row("no name, as a key list line ending in a backslash gives", steam, "", "");
    row("parent key holds none", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Valve", "InstallPath", "");
    // The sample's Steam key: escapes, "Default" as Windows names it, raw UTF-8, str(2)
    // unexpanded, no multi-strings, bytes (to the NUL, over two lines), a comment.
    const QString values =
        "Escaped=\"\tCafé Renée \u00012 🎮\x1b\f\a\b\n\r\v|Raw=Café|Multi=|Hex7=|"
        "Default=machine default|Expand=%ProgramFiles%\\Steam|Hex1=C:\\UT3€|Hex4=-2147418326|"
        "HexB=72057594037927937|Hex2=%PF%\\|Dword=-1|Commented=|Wrapped=-1";
    for (const QString &v : values.split('|'))
        row(qPrintable(v.section('=', 0, 0)), steam, v.section('=', 0, 0), v.section('=', 1));
    row("escaped key name", "HKEY_LOCAL_MACHINE\\Software\\CAFÉ\\odd]name", "Value", "escaped key");
    row("other hive", "HKEY_CLASSES_ROOT\\SOFTWARE\\Valve\\Steam", "InstallPath", "");

    // Damaged, foreign and huge hives: none may stall detection, which asks twenty times.
    QByteArray garbage(10 << 20, Qt::Uninitialized);
    QRandomGenerator(1).fillRange(reinterpret_cast<quint32 *>(garbage.data()), (10 << 20) / 4);
    QByteArray many;
    for (int n = 0; n < 5000; ++n)
        many += "[Software\\\\Classes\\\\" + QByteArray::number(n) + "] 1\n@=\"x\"\n";
    const auto hive = [&](auto n, QByteArray h, QString e) { row(n, steam, "InstallPath", e, h); };
    hive("CR LF line ends, the last cut short",
         QByteArray(head + key + value).replace("\n", "\r\n").chopped(1), "C:\\Steam");
    hive("broken string hides nothing", head + key + "\"InstallPath\"=\"C:\n" + value, "C:\\Steam");
    hive("among thousands of keys", head + many + key + value, "C:\\Steam");
    hive("one key a million times", head + key.repeated(1000000) + value + key.repeated(1000000),
         "C:\\Steam");
    // Four mebi keys are the most indexed; the sought one would be the next.
    hive("more keys than any real hive",
         head + QByteArray("[a]\n[b]\n").repeated(2 << 20) + key + value, "");
    hive("regedit export", "REGEDIT4\n" + key + value, "");
    hive("broken key line ends the key before it", head + key + "[Software\n" + value, "");
    hive("no closing quote", head + key + "\"InstallPath\"=\"C:\\\\Steam\n", "");
    hive("escape cut by the line end", head + key + "\"InstallPath\"=\"C:\\\n\"\n", "");
    hive("random bytes after the header", head + garbage, "");
    hive("endless escapes", head + "[" + QByteArray(10 << 20, '\\'), "");
    hive("a key of ten megabytes",
         head + key + "\"x\"=hex:00,\\\n" + QByteArray(10 << 18, 'x').replace("x", "00,\\\n"), "");
}

void TestWinePrefix::registry()
{
    QFETCH(QByteArray, hive);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("wineprefix/system.reg"), hive);
    sandbox.write(QStringLiteral("wineprefix/user.reg"), head + key + value);

    const QDeadlineTimer deadline(10000); // generous: the sanitizers slow it down several times
    for (int lookup = 0; lookup < 20; ++lookup)
        QCOMPARE(Platform::registryString(path.section('|', 0, 0), path.section('|', 1)), expected);
    QVERIFY(!deadline.hasExpired());
}

void TestWinePrefix::hiveChangesBetweenLookups()
{
    const auto installPath = [] { return Platform::registryString(steam, "InstallPath"); };
    Sandbox sandbox;
    sandbox.mkfifo(QStringLiteral("wineprefix/system.reg")); // opening it would wait for a writer
    QCOMPARE(installPath(), QString());

    // The prefix is looked up anew for every value. Each version moves the key, so that a stale
    // index finds nothing: the same size at a later time, then the same time with another size.
    qputenv("WINEPREFIX", QFile::encodeName(sandbox.path(QStringLiteral("elsewhere"))));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-60);
    const std::pair<const char *, int> versions[] = {{";;;;\n|", 0}, {"|;;;;\n", 30}, {";\n|", 30}};
    for (const auto &[text, seconds] : versions) {
        sandbox.write("elsewhere/system.reg", head + QByteArray(text).replace("|", key + value));
        QFile hive(sandbox.path(QStringLiteral("elsewhere/system.reg")));
        QVERIFY(hive.open(QIODevice::ReadWrite)
                && hive.setFileTime(start.addSecs(seconds), QFileDevice::FileModificationTime));
        QCOMPARE(installPath(), QStringLiteral("C:\\Steam"));
    }
    // Wine never writes a hive in place: one of the same file, size and time is not read again.
    sandbox.write("elsewhere/system.reg",
                  head + ";\n" + key + QByteArray(value).replace("Steam", "Steem"));
    QFile hive(sandbox.path(QStringLiteral("elsewhere/system.reg")));
    QVERIFY(hive.open(QIODevice::ReadWrite)
            && hive.setFileTime(start.addSecs(30), QFileDevice::FileModificationTime));
    QCOMPARE(installPath(), QStringLiteral("C:\\Steam"));
}

void TestWinePrefix::localPath_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *n, QString c, QString e) { QTest::newRow(n) << c << e; };
    // C: as the player knows the folder: the prefix's drive_c, not the link to it.
    row("steam.exe is Steam.exe", "C:\\PROGRAM FILES (X86)\\steam\\steam.exe",
        "$PREFIX/drive_c/Program Files (x86)/Steam/Steam.exe");
    row("nothing there in any case", "C:\\program files (x86)\\Steam\\uninstall.exe",
        "$PREFIX/drive_c/program files (x86)/Steam/uninstall.exe");
    row("a drive that is no link", "D:\\Games", "$PREFIX/dosdevices/d:/Games");
    row("relative", "gamefiles\\duskmereGAME\\splash", "GameFiles/DuskmereGame/Splash");
    row("parent folder, trailing separator", "..\\WORK\\gamefiles\\", "../work/GameFiles/");
    row("colon later in the name", "save:1\\slot", "save:1/slot");
}

void TestWinePrefix::localPath()
{
    QFETCH(QString, configured);
    QFETCH(QString, expected);
    Sandbox sandbox;
    SampleWorld::prepare(sandbox);
    QCOMPARE(Platform::localPath(configured), expected.replace("$PREFIX", sandbox.prefix()));
}

void TestWinePrefix::detect_data()
{
    QTest::addColumn<QByteArray>("keyList"); // null: none; "/dev/zero": no regular file
    QTest::addColumn<QByteArray>("registry"); // key|value|data lines of system.reg
    QTest::addColumn<QStringList>("onDisk"); // below drive_c
    QTest::addColumn<QString>("expected"); // %P: Program Files, the plain one
    const auto row = [](const char *name, const QByteArray &keyList, const QByteArray &registry,
                        const QStringList &onDisk, const char *expected) {
        QTest::newRow(name) << keyList << registry << onDisk << QString(expected);
    };
    const QByteArray twoLines = "HKEY_LOCAL_MACHINE\\Software\\A\\Path\r\n"
                                "  HKEY_LOCAL_MACHINE\\Software\\B\\Path  \r\n\r\n";
    const QByteArray bothKeys = "Software\\\\A|Path|C:\\\\UT3A\nSoftware\\\\B|Path|C:\\\\UT3B\n";
    const QByteArray retail =
        "Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
        "InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}|InstallLocation|C:\\\\Games\\\\UT3";
    const char *fallback = "%P (x86)/Unreal Tournament 3/Binaries/UT3.exe";
    const QString fallbackExe = "Program Files (x86)/Unreal Tournament 3/Binaries/UT3.exe";
    row("first line that holds the game wins", twoLines, bothKeys,
        {"UT3A/Binaries/UT3.exe", "UT3B/Binaries/UT3.exe"}, "C:\\UT3A\\Binaries\\UT3.exe");
    row("empty key list: only the fallback, in (x86) before the plain folder", "\n  \n", retail,
        {"Games/UT3/Binaries/UT3.exe", fallbackExe, QString(fallbackExe).remove(" (x86)")},
        fallback);
    row("the fallback: an (x86) that is a file passed over", "\n", "",
        {"Program Files (x86)", QString(fallbackExe).remove(" (x86)")},
        "%P/Unreal Tournament 3/Binaries/UT3.exe");
    row("a list of exactly a megabyte, a line whose folder lacks the game passed over",
        QByteArray(twoLines).leftJustified(1 << 20, ' '), bothKeys, {"UT3B/Binaries/UT3.exe"},
        "C:\\UT3B\\Binaries\\UT3.exe");
    row("CR-only line ends make one line", QByteArray(twoLines).replace("\n", ""), bothKeys,
        {"UT3A/Binaries/UT3.exe"}, "");
    // The built-in list (its last line is the retail key) stands in for a big one and a device.
    for (const QByteArray &list : {QByteArray(1 << 20, 'H') + '\n', QByteArray("/dev/zero")})
        row(list.size() > 9 ? "built-in list for a megabyte" : "built-in list for /dev/zero", list,
            retail + "\\\\", {"Games/UT3/Binaries/UT3.exe"}, "C:\\Games\\UT3\\\\Binaries\\UT3.exe");
}

void TestWinePrefix::detect()
{
    QFETCH(QByteArray, keyList);
    QFETCH(QByteArray, registry);
    QFETCH(QStringList, onDisk);
    QFETCH(QString, expected);
    Sandbox sandbox;
    if (keyList == "/dev/zero")
        sandbox.writeConfig("[Files]\nUT3Keys=" + keyList + "\n");
    else if (!keyList.isNull())
        sandbox.write("work/ut3.keys", keyList);
    QByteArray reg = head;
    for (const QByteArray &line : registry.split('\n'))
        if (const QList<QByteArray> p = line.split('|'); p.size() == 3)
            reg += "\n[" + p[0] + "] 1700000000\n\"" + p[1] + "\"=\"" + p[2] + "\"\n";
    sandbox.write("wineprefix/system.reg", reg);
    for (const QString &file : onDisk)
        sandbox.write("wineprefix/drive_c/" + file, "MZ");
    QCOMPARE(InstallDetector(InstallDetector::Retail).detect(),
             expected.replace("%P", sandbox.prefix() + "/drive_c/Program Files"));
}

// Neither a sandboxed root's own steam.sh nor the stand-in steam.exe of Proton's prefix, which
// that prefix's registry names, passes for Steam's client: Flatpak's Steam holds the game but
// `flatpak` is not on PATH; WINEPREFIX names Proton's prefix of a game no Steam lists any more,
// also through a link either way: the path named or the one it leads to shows the stand-in.
void TestWinePrefix::noSteamClient_data()
{
    QTest::addColumn<QString>("root"); // of Steam for Linux below home; none: WINEPREFIX
    QTest::addColumn<QString>("link"); // "to": WINEPREFIX links to Proton's prefix; "from": the
                                       // prefix links to a folder on another disk
    QTest::newRow("Flatpak's Steam without its command") << flatpakRoot << "";
    QTest::newRow("WINEPREFIX is Proton's prefix") << QString() << "";
    QTest::newRow("WINEPREFIX a link to Proton's prefix") << QString() << "to";
    QTest::newRow("WINEPREFIX is Proton's prefix, a link to another disk") << QString() << "from";
}

void TestWinePrefix::noSteamClient()
{
    QFETCH(QString, root);
    QFETCH(QString, link);
    Sandbox sandbox;
    const QString proton = SampleWorld::protonPrefix(
        root.isEmpty() ? sandbox.path("Games/Lib") : SampleWorld::steamHome(sandbox, root));
    const QString prefix = link == "from" ? sandbox.path("Disk/pfx") : proton;
    sandbox.write(prefix + "/system.reg", head + key + value);
    sandbox.write(prefix + "/drive_c/Steam/steam.exe", "MZ");
    if (link == "from")
        QVERIFY(QDir().mkpath(QFileInfo(proton).path()) && QFile::link(prefix, proton));
    if (link == "to")
        QVERIFY(QFile::link(prefix, sandbox.path("Linked")));
    if (root.isEmpty())
        sandbox.setEnv("WINEPREFIX", link == "to" ? sandbox.path("Linked") : proton);
    else
        qunsetenv("WINEPREFIX");
    sandbox.setEnv("PATH", sandbox.path("bin"));
    Platform::setSteamEdition(true);
    QCOMPARE(InstallDetector(InstallDetector::Steam).detect(), QString());
}

void TestWinePrefix::keyValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("query"); // keys from the top, "/" between them
    QTest::addColumn<QString>("expected"); // null: nothing found
    const auto row = [](auto n, QByteArray t, QString e, QString q = "libraryfolders/1/path") {
        QTest::newRow(n) << t << q << e;
    };
    // A lenient reader would find the second library in every malformed row.
    const QByteArray vdf = SampleWorld::libraryFolders("/home/u/.steam", "/mnt/Games 2");
    row("escapes, any letter case", vdf, "Games \"2\"", "LibraryFolders/1/LABEL");
    row("app manifest, comment, bare word",
        "// written by Steam\n\"AppState\" { appid 13210 \"installdir\" \"Unreal Tournament 3\" }",
        "Unreal Tournament 3", "AppState/installdir");
    row("truncated", vdf.left(vdf.indexOf("\"contentid\"\t\t\"72")), {});
    row("closed once too often", vdf + "}", {});
    row("a string cut short at the end", vdf + "\"x\" \"cut", {});
    row("a line break in a string", vdf + "\"x\" \"a\n\"b\" \"c\"", {});
    row("block without a key", "{ }\n" + vdf, {});
    row("unknown escape", QByteArray(vdf).replace("Games \\\"2", "Games \\q2"), {});
    row("nested as deep as allowed", vdf + QByteArray("\"x\"{").repeated(32) + QByteArray(32, '}'),
        "/mnt/Games 2");
    row("nested too deep", vdf + QByteArray("\"x\"{").repeated(40) + QByteArray(40, '}'), {});
    row("huge", vdf + "//" + QByteArray(5 << 20, 'x'), {});
    row("binary: NUL", QByteArray(vdf).replace("label", QByteArray("lab\0l", 5)), {});
    row("binary: not UTF-8", QByteArray(vdf).replace("label", "lab\xffl"), {});
}

void TestWinePrefix::keyValues()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    const auto file = Platform::SteamKeyValues::parse(text);
    const Platform::SteamKeyValues::Node *node = file ? &*file : nullptr;
    const QStringList keys = query.split('/');
    for (int i = 0; node && i + 1 < keys.size(); ++i)
        node = node->child(keys[i]);
    QCOMPARE(node ? node->string(keys.last()) : QString(), expected);
    QVERIFY(file.has_value() == !expected.isNull());
    QVERIFY(!file || file->isBlock); // the top level is one block, as Steam's readers take it
}

void TestWinePrefix::prefix_data()
{
    QTest::addColumn<QString>("world"); // what the home holds
    QTest::addColumn<bool>("steamEdition");
    QTest::addColumn<QString>("account"); // the prefix's user folder, below the sandbox root
    QTest::addColumn<QString>("started"); // "|" between words; $P: the prefix, $B: bin
    const QString wine = "home/.wine/drive_c/users/" + QFileInfo(QDir::homePath()).owner();
    const QString mine = QString(wine).replace("home/.wine", "wineprefix");
    const QString proton = SampleWorld::protonPrefix("Games/SteamLibrary") + "/drive_c/users/";
    const auto row = [](auto n, QString w, bool s, QString a, QString started = {}) {
        QTest::newRow(n) << w << s << a << started;
    };
    const QString linux = "steam|-applaunch|13210|WINEPREFIX=";
    const QString windows = "wine|$P/drive_c/Program Files (x86)/Steam/Steam.exe|-applaunch|13210"
                            "|WINEPREFIX=$P";
    // An empty account: the game was never started, and the player is told so.
    row("Steam edition, the game never started", "steam no-pfx", true, "");
    row("Proton's prefix an empty folder", "steam empty-pfx", true, "");
    row("Proton's prefix without its account", "steam no-account", true, "");
    row("Proton's prefix without its user.reg", "steam no-userreg", true, "");
    row("WINEPREFIX without Steam, the game never started", "wineprefix steam no-pfx", true, "");
    // WINEPREFIX set for the session by a game manager: Steam for Linux still starts the game.
    row("WINEPREFIX without Steam, Steam for Linux holds the game", "wineprefix steam", true,
        proton + "steamuser", linux);
    row("WINEPREFIX holds Steam for Windows, Steam for Linux the game", "wineprefix exe steam",
        true, mine, windows);
    row("WINEPREFIX holds Steam for Windows, no Steam for Linux", "wineprefix exe", true, mine,
        windows);
    row("WINEPREFIX is Proton's own, its steam.exe a stand-in", "protonprefix steam", true,
        proton + "steamuser", linux);
    row("Steam edition, the game's manifest gone: Wine's prefix", "steam no-manifest", true, wine);
    row("Steam edition, the game in Steam's library", "steam", true, proton + "steamuser", linux);
    row("Steam edition, the account's folders moved", "steam moved", true,
        proton + "steamuser/Moved");
    row("Flatpak's Steam", "flatpak", true,
        "home/" + SampleWorld::protonPrefix(flatpakRoot) + "/drive_c/users/steamuser",
        "flatpak|run|com.valvesoftware.Steam|-applaunch|13210|WINEPREFIX=");
    row("retail, Steam's library holds the game too", "steam", false, wine);
    row("retail, WINEPREFIX, Steam's library holds the game too", "wineprefix steam", false, mine);
    row("retail, no Steam, a prefix of Wine before 5.0", "wine4", false, wine);
    row("Steam edition, Steam's library list of another kind", "steam no-list", true, wine);
}

// The Documents folder as the prefix's registry names it, in the prefix's own drive_c; the Start
// Menu where Wine keeps it; and the game's client as the launcher starts it.
void TestWinePrefix::prefix()
{
    QFETCH(QString, world);
    QFETCH(bool, steamEdition);
    QFETCH(QString, account);
    QFETCH(QString, started);
    Sandbox sandbox;
    // Wine's prefixes: the user's account, and a Proton one left beside it, which must not win.
    for (const char *prefix : {"home/.wine/drive_c/users/", "wineprefix/drive_c/users/"})
        for (const QString &user : {QFileInfo(sandbox.home()).owner(), QString("steamuser")})
            sandbox.mkdir(prefix + user + "/Documents");
    const QString library = world.contains("flatpak") ? SampleWorld::steamHome(sandbox, flatpakRoot)
        : world.contains("steam")                     ? SampleWorld::steamHome(sandbox)
                                                      : QString();
    const QString pfx = SampleWorld::protonPrefix(library);
    if (world.contains("no-manifest"))
        QVERIFY(QFile::remove(sandbox.path("Games/SteamLibrary/steamapps/appmanifest_13210.acf")));
    if (world.contains("no-list"))
        sandbox.write(sandbox.home() + "/.local/share/Steam/steamapps/libraryfolders.vdf", "x{}");
    if (world.contains("no-pfx"))
        QVERIFY(QDir(sandbox.path("Games/SteamLibrary/steamapps/compatdata")).removeRecursively());
    if (world.contains("empty-pfx"))
        QVERIFY(QDir(pfx).removeRecursively() && QDir().mkpath(pfx));
    if (world.contains("no-account"))
        QVERIFY(QDir(pfx + "/drive_c/users/steamuser").removeRecursively());
    if (world.contains("no-userreg"))
        QVERIFY(QFile::remove(pfx + "/user.reg"));
    if (world.contains("moved")) // where the player put them, as the shell records it
        sandbox.write(pfx + "/user.reg", R"(WINE REGISTRY Version 2
[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1700000000
"Personal"="C:\\users\\steamuser\\Moved\\Documents"
"Programs"="C:\\users\\steamuser\\Moved\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
)");
    // Steam for Windows as its installer leaves it; in Proton's prefix, Proton's stand-in.
    const QString windowsSteam = world.contains("protonprefix") ? pfx : sandbox.prefix();
    if (world.contains("exe") || world.contains("protonprefix")) {
        sandbox.write(windowsSteam + "/system.reg",
                      head + "[Software\\\\Wow6432Node\\\\Valve\\\\Steam] 1\n" + value);
        sandbox.write(windowsSteam + "/drive_c/Program Files (x86)/Steam/Steam.exe", "MZ");
    }
    if (world.contains("protonprefix"))
        sandbox.setEnv("WINEPREFIX", pfx);
    else if (!world.contains("wineprefix"))
        qunsetenv("WINEPREFIX"); // a Linux home without it unless the row sets it
    const QString roaming = world.contains("wine4") ? "" : "/AppData/Roaming/Microsoft/Windows";
    if (roaming.isEmpty())
        sandbox.mkdir(account + "/Start Menu");
    // Stand-ins for the clients, each recording how it was started.
    for (const char *name : {"steam", "flatpak", "snap", "wine"}) {
        sandbox.write(
            QString("bin/") + name,
            "#!/bin/sh\n{ basename \"$0\"; printf '%s\\n' \"$@\"; "
            "echo \"WINEPREFIX=$WINEPREFIX\"; } > \"$RECORD.part\" && mv \"$RECORD.part\" "
            "\"$RECORD\"\n");
        QFile::setPermissions(sandbox.path(QString("bin/") + name),
                              QFile::ReadOwner | QFile::ExeOwner);
    }
    sandbox.setEnv("PATH", sandbox.path("bin") + ':' + qEnvironmentVariable("PATH"));
    Platform::setStandardFoldersRoot({});
    Platform::setSteamEdition(steamEdition);
#ifndef Q_OS_WIN // where Steam's own client keeps its libraries
    if (world == "steam") // the root, which its own list names again, counts once
        QCOMPARE(Platform::steamLibraries(),
                 QStringList({sandbox.home() + "/.local/share/Steam", library}));
#endif

    QCOMPARE(Platform::setupNotice().isEmpty(), !account.isEmpty());
    if (account.isEmpty())
        return;
    // As the player sees it on the Ready page and in the old version's question: no drive links.
    QCOMPARE(Platform::documentsFolder(), sandbox.path(account + "/Documents"));
    QCOMPARE(QDir::cleanPath(Platform::startMenuFolder()),
             sandbox.path(account + roaming + "/Start Menu/Programs"));
    if (started.isEmpty())
        return;
    // The launcher starts the client that detection found, in the prefix the mod went to.
    Platform::LauncherFields fields;
    fields.name = "Play";
    fields.workingDirectory = sandbox.root();
    fields.program =
        QFileInfo(Platform::localPath(InstallDetector(InstallDetector::Steam).detect()))
            .absoluteFilePath();
    fields.arguments = QStringList {"-applaunch", "13210"};
    Platform::ShortcutFiles files;
    QVERIFY(Platform::stageLauncher(files, Platform::LauncherPlace::Desktop, {}, "Play", fields));
    QVERIFY(files.nameAll());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("WINEPREFIX"); // Steam for Linux's Proton sets its own
    env.insert("RECORD", sandbox.path("started"));
    QProcess gio;
    gio.setProcessEnvironment(env);
    gio.start(
        "gio",
        {"launch", Platform::launcherFolder(Platform::LauncherPlace::Desktop) + "/Play.desktop"});
    QVERIFY(gio.waitForFinished(20000));
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(sandbox.path("started")); }, 10000));
    QCOMPARE(QString::fromUtf8(sandbox.read("started")).split('\n', Qt::SkipEmptyParts),
             started.replace("$P", windowsSteam).split('|'));
    if (world != "steam")
        return;
    // Steam rewriting the manifest meanwhile moves nothing of this run; choosing again decides
    // anew.
    QVERIFY(QFile::remove(library + "/steamapps/appmanifest_13210.acf"));
    QCOMPARE(Platform::documentsFolder(), sandbox.path(account + "/Documents"));
    Platform::setSteamEdition(true);
    QCOMPARE(Platform::documentsFolder(),
             sandbox.path("home/.wine/drive_c/users/" + QFileInfo(sandbox.home()).owner()
                          + "/Documents"));
}

DUSKMERE_TEST_MAIN(TestWinePrefix)
#include "tst_wineprefix.moc"

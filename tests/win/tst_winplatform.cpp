#include "LnkInfo.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "pages/gather/InstallDetector.h"
#include "platform/files/Win32Path.h"
#include "platform/folders/ProgramFiles.h"
#include "platform/registry/Registry.h"
#include "platform/shortcuts/ShellLink.h"
#include "platform/system/FreeSpace.h"

#include <QDir>
#include <QThread>

#include <objbase.h>
#include <windows.h>

// The Windows calls behind the platform layer, checked against the system's own answers:
// registry values written below a key of this test's own, links read back through the shell.
class TestWinPlatform : public QObject
{
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void folders();
    void shellLink_data();
    void shellLink();
    void win32Path_data();
    void win32Path();
};

namespace {
const QString nonLatin = QStringLiteral("Spiele\\\u00dcnreal T\u00fcrnament 3 \u30b2");

bool comInitialised()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
}
} // namespace

void TestWinPlatform::detection_data()
{
    QTest::addColumn<QStringList>("keyList"); // below the test key
    QTest::addColumn<QString>("expected"); // below the sandbox; empty: nothing found
    QTest::newRow("names ignore letter case")
        << QStringList {"UNINSTALL\\GAME\\installlocation"} << "Game\\Binaries\\UT3.exe";
    QTest::newRow("non-Latin folder")
        << QStringList {"Unicode\\InstallLocation"} << nonLatin + "\\Binaries\\UT3.exe";
    // Each names a value that is missing beside or below others that would lead to the game.
    QTest::newRow("missing value, key or parent key")
        << QStringList {"Valve\\Steam\\InstallPath", "Valve\\Steam", "Valve\\Steam2\\SteamExe",
                        "Missing\\Steam\\InstallPath"}
        << QString();
}

void TestWinPlatform::detection()
{
    QFETCH(QStringList, keyList);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.write("Game/Binaries/UT3.exe", "MZ");
    sandbox.write(QString(nonLatin).replace('\\', '/') + "/Binaries/UT3.exe", "MZ");
    sandbox.writeConfig("[Paths]\nUT3Path=" + sandbox.path("NoGame").toUtf8() + "\n");
    const QString root = QDir::toNativeSeparators(sandbox.root()) + '\\';
    const QString hive = sandbox.registryKey() + '\\';
    {
        QSettings registry(sandbox.registryKey(), QSettings::NativeFormat);
        registry.setValue("Uninstall/Game/InstallLocation", root + "Game");
        registry.setValue("Unicode/InstallLocation", root + nonLatin);
        registry.setValue("Valve/Steam/Default", root + "Game");
        registry.setValue("Valve/Steam/SteamExe", root + "Game");
    }
    sandbox.write("work/ut3.keys", (hive + keyList.join("\r\n" + hive)).toLatin1());

    QCOMPARE(InstallDetector(InstallDetector::Retail).detect(),
             expected.isEmpty() ? QString() : root + expected);
    // Detection asks for up to twenty keys that mostly do not exist: asking must not make them.
    QCOMPARE(QSettings(hive + "Valve", QSettings::NativeFormat).childGroups(),
             QStringList {"Steam"});
    QVERIFY(!QSettings(sandbox.registryKey(), QSettings::NativeFormat)
                 .childGroups()
                 .contains("Missing"));
}

// The 32-bit Program Files comes first: the game and Steam install there. A Documents folder not
// made yet lies on the partition of the folder it will be made in; the root of a drive that is
// gone has no parent to ask instead.
void TestWinPlatform::folders()
{
    Sandbox sandbox;
    const QString x86 = qEnvironmentVariable("ProgramFiles(x86)").toLower();
    QCOMPARE(Platform::programFilesFolder().toLower(), x86);
    QCOMPARE(Platform::registryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                      "CurrentVersion",
                                      "ProgramFilesDir (x86)")
                 .toLower(),
             x86);
    QVERIFY(Platform::freeBytes(sandbox.documents()).value_or(0) > 0);
    int unused = 25;
    while (unused >= 3 && (GetLogicalDrives() & (1u << unused)))
        --unused;
    QVERIFY(unused < 3
            || !Platform::freeBytes(QChar('A' + unused) + QStringLiteral(":/Documents")));
}

// The GUI thread of the program has COM running already; any other caller gets it brought up
// and taken down again. Either way the new link replaces the old one, and the shell reads back
// what the wizard asked for (Wine keeps link paths in the ANSI code page: accents, no more).
void TestWinPlatform::shellLink_data()
{
    QTest::addColumn<bool>("comBefore");
    QTest::newRow("thread without COM") << false;
    QTest::newRow("thread with COM") << true;
}

void TestWinPlatform::shellLink()
{
    QFETCH(bool, comBefore);
    Sandbox sandbox;
    const auto native = [&](const QString &path) {
        return QDir::toNativeSeparators(sandbox.path(path));
    };
    const QString game = QStringLiteral("Unreal Tournament 3 \u00c9dition sp\u00e9ciale/Binaries");
    sandbox.write(game + "/UT3.exe", "MZ");
    Platform::ShellLinkFields fields {native(game + "/UT3.exe"), native(game),
                                      "-mod=..\\DuskmereGame -solomod", native("duskmereicon.ico")};
    const QString linkPath = native("The Duskmere.lnk");
    QVERIFY(Platform::writeShellLink(linkPath, fields));
    QVERIFY(QFile::setPermissions(linkPath, QFile::ReadOwner)); // read-only does not stop a new one
    fields.arguments.prepend("-applaunch 13210 ");
    fields.iconIndex = 2;
    bool before = false, written = false, after = false;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        if (comBefore)
            CoInitialize(nullptr);
        before = comInitialised();
        written = Platform::writeShellLink(linkPath, fields);
        after = comInitialised();
        if (comBefore)
            CoUninitialize();
    }));
    thread->start();
    QVERIFY(thread->wait(30000) && written);
    const QMap<QString, QString> link = LnkInfo::read(linkPath);
    QCOMPARE(QStringList(link.cbegin(), link.cend()),
             QStringList(
                 {fields.arguments, "2", fields.iconPath, fields.target, fields.workingDirectory}));
    QCOMPARE(QDir(sandbox.root()).entryList({"*.lnk", ".*"}, QDir::Files | QDir::Hidden),
             QStringList {"The Duskmere.lnk"}); // no temporary left
    // The shell gets the temporary's path in the long form: a folder beyond MAX_PATH takes links.
    const QString deep = QString(QString(60, 'd') + '/').repeated(5);
    sandbox.mkdir(deep);
    QVERIFY(Platform::writeShellLink(native(deep + "The Duskmere.lnk"), fields));
    QCOMPARE(QDir(sandbox.path(deep)).entryList(QDir::Files | QDir::Hidden),
             QStringList {"The Duskmere.lnk"});
    QVERIFY(!Platform::writeShellLink(native("Start Menu/The Duskmere/The Duskmere.lnk"), fields));
    QVERIFY(!QFileInfo::exists(sandbox.path("Start Menu")));
    if (!comBefore && before)
        QSKIP("this process has a multithreaded COM apartment: every thread counts as initialised");
    QCOMPARE(before, comBefore);
    QCOMPARE(after, comBefore);
}

// Every path gets the form that lifts the length limit, parsed first as the system would parse it
// without that form.
void TestWinPlatform::win32Path_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected"); // <cwd>: the current folder, with backslashes
    const QString deep = QString("\\deep").repeated(60); // 302 characters
    QTest::newRow("drive") << "C:/Games/UT3/a.ini"
                           << "\\\\?\\C:\\Games\\UT3\\a.ini";
    QTest::newRow("drive, dots") << "C:\\a\\.\\b\\..\\c"
                                 << "\\\\?\\C:\\a\\c";
    QTest::newRow("drive, past MAX_PATH") << "C:" + deep << "\\\\?\\C:" + deep;
    QTest::newRow("UNC") << "//server/share/dir/a.ini"
                         << "\\\\?\\UNC\\server\\share\\dir\\a.ini";
    QTest::newRow("prefixed already") << "\\\\?\\C:\\x\\..\\y"
                                      << "\\\\?\\C:\\x\\..\\y";
    QTest::newRow("relative") << "sub/../a.ini"
                              << "\\\\?\\<cwd>\\a.ini";
}

void TestWinPlatform::win32Path()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    expected.replace("<cwd>", QDir::toNativeSeparators(QDir::currentPath()));
    QCOMPARE(QString::fromStdWString(Platform::win32Path(path)), expected);
}

DUSKMERE_TEST_MAIN(TestWinPlatform)
#include "tst_winplatform.moc"

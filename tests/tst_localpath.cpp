#include "Sandbox.h"
#include "TestMain.h"
#include "platform/LocalPath.h"
#include "platform/ProgramFiles.h"

#include <QDir>
#include <QOperatingSystemVersion>

// Windows paths on Unix: where the Wine prefix puts drive letters and Program Files.
class TestLocalPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void localPath_data();
    void localPath();
    void letterCase_data();
    void letterCase();
    void programFiles_data();
    void programFiles();
};

void TestLocalPath::initTestCase()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("Windows paths need no translation on Windows itself");
}

void TestLocalPath::localPath_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("expected"); // "$PREFIX" stands for the sandbox's Wine prefix

    QTest::newRow("relative with backslashes") << "..\\GameFiles\\"
                                               << "../GameFiles/";
    QTest::newRow("drive letter") << "C:\\Games\\UT3\\Binaries\\UT3.exe"
                                  << "$PREFIX/dosdevices/c:/Games/UT3/Binaries/UT3.exe";
    QTest::newRow("other drive, lower case") << "d:\\Steam"
                                             << "$PREFIX/dosdevices/d:/Steam";
    QTest::newRow("mixed separators") << "C:/Program Files\\Steam/steam.exe"
                                      << "$PREFIX/dosdevices/c:/Program Files/Steam/steam.exe";
    QTest::newRow("drive root") << "E:\\"
                                << "$PREFIX/dosdevices/e:/";
    QTest::newRow("bare drive") << "E:"
                                << "$PREFIX/dosdevices/e:";
    QTest::newRow("resource") << ":/res/ut3.keys"
                              << ":/res/ut3.keys";
    QTest::newRow("relative file") << "ut3.keys"
                                   << "ut3.keys";
    QTest::newRow("unix absolute") << "/opt/games/UT3"
                                   << "/opt/games/UT3";
    QTest::newRow("colon later in the name") << "save:1\\slot"
                                             << "save:1/slot";
}

void TestLocalPath::localPath()
{
    QFETCH(QString, configured);
    QFETCH(QString, expected);
    Sandbox sandbox;

    expected.replace(QLatin1String("$PREFIX"), sandbox.prefix());
    QCOMPARE(Platform::localPath(configured), expected);
}

void TestLocalPath::letterCase_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("expected"); // "$PREFIX" stands for the sandbox's Wine prefix

    QTest::newRow("steam.exe is Steam.exe")
        << "C:\\PROGRAM FILES (X86)\\steam\\steam.exe"
        << "$PREFIX/dosdevices/c:/Program Files (x86)/Steam/Steam.exe";
    QTest::newRow("exact spelling kept")
        << "C:\\Program Files (x86)\\Steam\\Steam.exe"
        << "$PREFIX/dosdevices/c:/Program Files (x86)/Steam/Steam.exe";
    QTest::newRow("nothing there in any case")
        << "C:\\program files (x86)\\Steam\\uninstall.exe"
        << "$PREFIX/dosdevices/c:/program files (x86)/Steam/uninstall.exe";
    QTest::newRow("relative") << "game\\BINARIES\\ut3.EXE"
                              << "Game/Binaries/UT3.exe";
    QTest::newRow("trailing separator") << "GAME\\"
                                        << "Game/";
}

void TestLocalPath::letterCase()
{
    QFETCH(QString, configured);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.write("wineprefix/drive_c/Program Files (x86)/Steam/Steam.exe", "MZ");
    sandbox.write("work/Game/Binaries/UT3.exe", "MZ");
    sandbox.mkdir("wineprefix/dosdevices");
    QVERIFY(QFile::link(QStringLiteral("../drive_c"), sandbox.prefix() + "/dosdevices/c:"));
    expected.replace(QLatin1String("$PREFIX"), sandbox.prefix());
    QCOMPARE(Platform::localPath(configured), expected);
}

void TestLocalPath::programFiles_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected"); // relative to the prefix, or a Windows path

    QTest::newRow("64-bit prefix")
        << QStringList {"drive_c/Program Files", "drive_c/Program Files (x86)"} << QStringList()
        << "drive_c/Program Files (x86)";
    QTest::newRow("32-bit prefix")
        << QStringList {"drive_c/Program Files"} << QStringList() << "drive_c/Program Files";
    QTest::newRow("a file is no folder")
        << QStringList {"drive_c/Program Files"} << QStringList {"drive_c/Program Files (x86)"}
        << "drive_c/Program Files";
    QTest::newRow("empty prefix") << QStringList() << QStringList() << "C:\\Program Files";
    QTest::newRow("drive without Program Files")
        << QStringList {"drive_c/windows"} << QStringList() << "C:\\Program Files";
}

void TestLocalPath::programFiles()
{
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    Sandbox sandbox;
    for (const QString &folder : folders)
        sandbox.mkdir(QStringLiteral("wineprefix/") + folder);
    for (const QString &file : files)
        sandbox.write(QStringLiteral("wineprefix/") + file, QByteArray());

    if (expected.startsWith(QLatin1String("drive_c")))
        expected = QDir(sandbox.prefix()).absoluteFilePath(expected);
    QCOMPARE(programFilesFolder(), expected);
}

DUSKMERE_TEST_MAIN(TestLocalPath)
#include "tst_localpath.moc"

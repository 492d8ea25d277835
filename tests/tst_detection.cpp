#include "Sandbox.h"
#include "TestMain.h"
#include "pages/InstallDetector.h"

#include <QFile>

// Finding UT3.exe or Steam.exe: key list, registry of the Wine prefix, Program Files fallback.
class TestDetection : public QObject
{
    Q_OBJECT

private slots:
    void detect_data();
    void detect();
};

void TestDetection::detect_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QByteArray>("keyList"); // null: none; "/dev/zero": no regular file
    QTest::addColumn<QByteArray>("registry"); // key|value|data lines of system.reg
    QTest::addColumn<QStringList>("onDisk"); // below drive_c
    QTest::addColumn<QString>("expected"); // %P: Program Files
    const auto row = [](const char *name, const QByteArray &keyList, const QByteArray &registry,
                        const QStringList &onDisk, const char *expected, bool steam = false) {
        QTest::newRow(name) << steam << keyList << registry << onDisk << QString(expected);
    };
    const QByteArray twoLines = "HKEY_LOCAL_MACHINE\\Software\\A\\Path\r\n"
                                "  HKEY_LOCAL_MACHINE\\Software\\B\\Path  \r\n\r\n";
    const QByteArray bothKeys = "Software\\\\A|Path|C:\\\\UT3A\nSoftware\\\\B|Path|C:\\\\UT3B\n";
    const QByteArray retail =
        "Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
        "Uninstall\\\\InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}"
        "|InstallLocation|C:\\\\Games\\\\UT3";
    const char *fallback = "%P/Unreal Tournament 3/Binaries/UT3.exe";
    // The built-in lists, retail and Steam, find the sample's game in the journey.
    row("first line that holds the game wins", twoLines, bothKeys,
        {"UT3A/Binaries/UT3.exe", "UT3B/Binaries/UT3.exe"}, "C:\\UT3A\\Binaries\\UT3.exe");
    row("a line whose folder lacks the game is passed over", twoLines, bothKeys,
        {"UT3B/Binaries/UT3.exe"}, "C:\\UT3B\\Binaries\\UT3.exe");
    row("empty key list: only the fallback", "\n  \n", retail,
        {"Games/UT3/Binaries/UT3.exe", "Program Files (x86)/Unreal Tournament 3/Binaries/UT3.exe"},
        fallback);
    row("registry first, fallback only after it", {}, retail,
        {"Program Files (x86)/Unreal Tournament 3/Binaries/UT3.exe"}, fallback);
    row("CR-only line ends make one line", QByteArray(twoLines).replace("\n", ""), bothKeys,
        {"UT3A/Binaries/UT3.exe"}, "");
    // The built-in list (its last line is the retail key) stands in for a big one and a device.
    for (const QByteArray &list : {QByteArray(1 << 20, 'H') + '\n', QByteArray("/dev/zero")})
        row(list.size() > 9 ? "built-in list for a megabyte" : "built-in list for /dev/zero", list,
            retail + "\\\\", {"Games/UT3/Binaries/UT3.exe"}, "C:\\Games\\UT3\\\\Binaries\\UT3.exe");
    row("nothing anywhere", {}, {}, {}, "", true);
}

void TestDetection::detect()
{
    SKIP_ON_WINDOWS("the cases are built on a Wine prefix");
    QFETCH(bool, steam);
    QFETCH(QByteArray, keyList);
    QFETCH(QByteArray, registry);
    QFETCH(QStringList, onDisk);
    QFETCH(QString, expected);
    Sandbox sandbox;
    if (keyList == "/dev/zero")
        sandbox.writeConfig("[Files]\nUT3Keys=" + keyList + "\n");
    else if (!keyList.isNull())
        sandbox.write(steam ? "work/steam.keys" : "work/ut3.keys", keyList);
    QByteArray reg = "WINE REGISTRY Version 2\n";
    for (const QByteArray &line : registry.split('\n')) {
        const QList<QByteArray> parts = line.split('|');
        if (parts.size() == 3)
            reg += "\n[" + parts[0] + "] 1700000000\n\"" + parts[1] + "\"=\"" + parts[2] + "\"\n";
    }
    sandbox.write(steam ? "wineprefix/user.reg" : "wineprefix/system.reg", reg);
    sandbox.mkdir("wineprefix/drive_c/Program Files (x86)");
    sandbox.mkdir("wineprefix/dosdevices");
    QVERIFY(QFile::link("../drive_c", sandbox.prefix() + "/dosdevices/c:"));
    for (const QString &file : onDisk)
        sandbox.write("wineprefix/drive_c/" + file, "MZ");
    QCOMPARE(InstallDetector(steam ? InstallDetector::Steam : InstallDetector::Retail).detect(),
             expected.replace("%P", sandbox.prefix() + "/drive_c/Program Files (x86)"));
}

DUSKMERE_TEST_MAIN(TestDetection)
#include "tst_detection.moc"

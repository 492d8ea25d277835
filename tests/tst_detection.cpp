#include "Sandbox.h"
#include "TestMain.h"
#include "pages/InstallDetector.h"

#include <QElapsedTimer>
#include <QFile>
#include <QOperatingSystemVersion>

// Finding UT3.exe or Steam.exe: key list, registry of the Wine prefix, Program Files fallback.
class TestDetection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void detect_data();
    void detect();
};

namespace {
const QByteArray RetailKey = "Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                             "Uninstall\\\\InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}";
} // namespace

void TestDetection::initTestCase()
{
    SKIP_ON_WINDOWS("the cases are built on a Wine prefix");
}

void TestDetection::detect_data()
{
    QTest::addColumn<bool>("steam");
    QTest::addColumn<QByteArray>("keyList"); // null: none; "/dev/zero": no regular file
    QTest::addColumn<QByteArray>("registry"); // key|value|data lines of system.reg
    QTest::addColumn<QStringList>("onDisk"); // below drive_c
    QTest::addColumn<QString>("expected");

    const QByteArray none;
    const QByteArray twoLines = "HKEY_LOCAL_MACHINE\\Software\\A\\Path\r\n"
                                "  HKEY_LOCAL_MACHINE\\Software\\B\\Path  \r\n\r\n";
    const QByteArray bothKeys = "Software\\\\A|Path|C:\\\\UT3A\n"
                                "Software\\\\B|Path|C:\\\\UT3B\n";
    const QString fallback = "%P/Unreal Tournament 3/Binaries/UT3.exe";
    // The built-in lists, retail and Steam, find the sample's game in the journey.
    QTest::newRow("first line that holds the game wins")
        << false << twoLines << bothKeys
        << QStringList {"UT3A/Binaries/UT3.exe", "UT3B/Binaries/UT3.exe"}
        << "C:\\UT3A\\Binaries\\UT3.exe";
    QTest::newRow("a line whose folder lacks the game is passed over")
        << false << twoLines << bothKeys << QStringList {"UT3B/Binaries/UT3.exe"}
        << "C:\\UT3B\\Binaries\\UT3.exe";
    QTest::newRow("empty key list: only the fallback")
        << false << QByteArray("\n  \n") << (RetailKey + "|InstallLocation|C:\\\\Games\\\\UT3")
        << QStringList {"Games/UT3/Binaries/UT3.exe",
                        "Program Files (x86)/Unreal Tournament 3/Binaries/UT3.exe"}
        << fallback;
    QTest::newRow("registry first, fallback only after it")
        << false << none << (RetailKey + "|InstallLocation|C:\\\\Games\\\\UT3")
        << QStringList {"Program Files (x86)/Unreal Tournament 3/Binaries/UT3.exe"} << fallback;
    QTest::newRow("CR-only line ends make one line")
        << false << QByteArray(twoLines).replace("\n", "") << bothKeys
        << QStringList {"UT3A/Binaries/UT3.exe"} << "";
    // The built-in list (its last line is RetailKey) stands in for a big one and a device.
    for (const QByteArray &list : {QByteArray(1 << 20, 'H') + '\n', QByteArray("/dev/zero")})
        QTest::addRow("built-in list for %s", list.size() > 9 ? "a megabyte" : list.constData())
            << false << list << (RetailKey + "|InstallLocation|C:\\\\Games\\\\UT3\\\\")
            << QStringList {"Games/UT3/Binaries/UT3.exe"} << "C:\\Games\\UT3\\\\Binaries\\UT3.exe";
    QTest::newRow("nothing anywhere") << true << none << QByteArray() << QStringList() << "";
}

void TestDetection::detect()
{
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

    QElapsedTimer clock;
    clock.start();
    const QString found =
        InstallDetector(steam ? InstallDetector::Steam : InstallDetector::Retail).detect();
    QCOMPARE(found,
             QString(expected).replace("%P", sandbox.prefix() + "/drive_c/Program Files (x86)"));
    QVERIFY(clock.elapsed() < 20000);
}

DUSKMERE_TEST_MAIN(TestDetection)
#include "tst_detection.moc"

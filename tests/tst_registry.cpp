#include "Sandbox.h"
#include "TestMain.h"
#include "platform/Registry.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QRandomGenerator>

// Reading values from the Wine prefix's registry files, the way install detection asks for them.
class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void values_data();
    void values();
    void damagedHive_data();
    void damagedHive();
    void missingPrefixOrHive();
    void hugeGarbageIsRejectedQuickly_data();
    void hugeGarbageIsRejectedQuickly();
    void twentyLookupsInALargeHive();
    void rewrittenHiveIsReadAgain();
};

namespace {

const QString steamKey = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Valve\\Steam");

// In the form Wine writes: header, comments, global options, keys with times and key options.
const QByteArray systemHive = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Valve\\Steam] 1699999999
#time=1da1b2c3d4e5f60
@="machine default"
"InstallPath"="C:\\Program Files (x86)\\Steam"

[Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}] 1699999999
#time=1da1b2c3d4e5f61
"DisplayName"="Unreal Tournament 3"
"InstallLocation"="C:\\Games\\Unreal Tournament 3\\"

[Software\\Duskmere\\Values] 1699999999
"Quoted"="say \"hi\""
"Latin"="Caf\xe9 Ren\x00e9e"
"Raw"="Café"
"Controls"="tab\tnew\nline"
"Octal"="one\0012"
"Astral"="\xd83c\xdfae"
"Expand"=str(2):"%ProgramFiles%\\Steam"
"Number"=dword:00000010
"Multi"=str(7):"a\0b\0"
"Path"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,00,\
  65,00,73,00,25,00,00,00
"AfterHex"="still here"
;"Commented"="gone"

[Software\\Caf\xe9\\Odd\]Name] 1699999999
"Value"="escaped key"
)";

const QByteArray userHive = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Valve\\Steam] 1699999999
"InstallPath"="C:\\Users\\player\\Steam"
)";

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

void TestRegistry::initTestCase()
{
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        QSKIP("Windows has a registry of its own; the Wine hives stand in for it on Unix");
}

void TestRegistry::values_data()
{
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &keyPath, const char *valueName,
                        const QString &expected) {
        QTest::newRow(name) << keyPath << QString::fromUtf8(valueName) << expected;
    };

    const QString user = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Valve\\Steam");
    const QString values = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Duskmere\\Values");
    row("machine hive", steamKey, "InstallPath", "C:\\Program Files (x86)\\Steam");
    row("user hive", user, "InstallPath", "C:\\Users\\player\\Steam");
    row("letter case", "hkey_local_machine\\software\\VALVE\\steam", "INSTALLPATH",
        "C:\\Program Files (x86)\\Steam");
    row("uninstall entry",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\"
        "Uninstall\\InstallShield_{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}",
        "InstallLocation", "C:\\Games\\Unreal Tournament 3\\");
    row("default value", steamKey, "", "machine default");
    row("sub key's value is not the parent's", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Valve", "InstallPath",
        "");
    row("escaped quotes", values, "Quoted", "say \"hi\"");
    row("hex escapes, short and four digits", values, "Latin", "Café Renée");
    row("raw UTF-8", values, "raw", "Café");
    row("control escapes", values, "Controls", "tab\tnew\nline");
    row("octal escape", values, "Octal", QString::fromUtf16(u"one\u00012"));
    row("surrogate pair", values, "Astral", QString::fromUtf16(u"\U0001F3AE"));
    row("expandable string stays unexpanded", values, "Expand", "%ProgramFiles%\\Steam");
    row("dword", values, "Number", "");
    row("multi-string", values, "Multi", "");
    row("expandable string in hex over two lines", values, "Path", "");
    row("value after a continued line", values, "AfterHex", "still here");
    row("commented out", values, "Commented", "");
    row("escaped key name", "HKEY_LOCAL_MACHINE\\Software\\CAFÉ\\odd]name", "Value", "escaped key");
    row("missing value", steamKey, "SteamExe", "");
    row("missing key", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Epic", "InstallPath", "");
    row("other hive", "HKEY_CLASSES_ROOT\\SOFTWARE\\Valve\\Steam", "InstallPath", "");
    row("no hive", "SOFTWARE\\Valve\\Steam", "InstallPath", "");
}

void TestRegistry::values()
{
    QFETCH(QString, keyPath);
    QFETCH(QString, valueName);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("wineprefix/system.reg"), systemHive);
    sandbox.write(QStringLiteral("wineprefix/user.reg"), userHive);

    QCOMPARE(Platform::registryString(keyPath, valueName), expected);
}

void TestRegistry::damagedHive_data()
{
    QTest::addColumn<QByteArray>("hive");
    QTest::addColumn<QString>("installPath");
    const auto row = [](const char *name, const QByteArray &hive, const QString &installPath) {
        QTest::newRow(name) << hive << installPath;
    };

    const QByteArray head("WINE REGISTRY Version 2\n");
    const QByteArray key("[Software\\\\Valve\\\\Steam] 1699999999\n");
    const QByteArray value("\"InstallPath\"=\"C:\\\\Steam\"\n");
    const QByteArray intact = head + key + value;
    row("intact", intact, "C:\\Steam");
    row("CR LF line ends", QByteArray(intact).replace("\n", "\r\n"), "C:\\Steam");
    row("CR-only line ends", QByteArray(intact).replace('\n', '\r'), "");
    row("regedit export", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Valve\\Steam]\n" + value, "");
    row("header not first", "\n" + intact, "");
    row("key line without bracket", head + "[Software\\\\Valve\\\\Steam 1699999999\n" + value, "");
    row("broken key line ends the key before it",
        head + key + "\"Language\"=\"english\"\n[Software\\\\Valve\\\\Steam\n" + value, "");
    row("string without closing quote", head + key + "\"InstallPath\"=\"C:\\\\Steam\n", "");
    row("cut inside an escape", head + key + "\"InstallPath\"=\"C:\\", "");
    row("broken string does not hide the next line", head + key + "\"Language\"=\"engl\n" + value,
        "C:\\Steam");
    const char nulInString[] = "\"InstallPath\"=\"C:\0\\\\Steam\"\n";
    row("NUL byte in a string", head + key + QByteArray(nulInString, sizeof nulInString - 1), "");
    row("binary garbage", randomBytes(64 * 1024, 1), "");
    row("binary garbage after the key",
        head + key + randomBytes(64 * 1024, 2).replace('[', ' ') + "\n" + value, "C:\\Steam");
}

void TestRegistry::damagedHive()
{
    QFETCH(QByteArray, hive);
    QFETCH(QString, installPath);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("wineprefix/system.reg"), hive);

    QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")), installPath);
}

void TestRegistry::missingPrefixOrHive()
{
    Sandbox sandbox;
    QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")), QString());

    sandbox.mkdir(QStringLiteral("wineprefix/system.reg")); // a folder where the file belongs
    QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")), QString());

    sandbox.write(QStringLiteral("elsewhere/system.reg"), systemHive);
    qputenv("WINEPREFIX", QFile::encodeName(sandbox.path(QStringLiteral("no such prefix"))));
    QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")), QString());

    // The prefix is looked up anew for every value.
    qputenv("WINEPREFIX", QFile::encodeName(sandbox.path(QStringLiteral("elsewhere"))));
    QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")),
             QStringLiteral("C:\\Program Files (x86)\\Steam"));
}

void TestRegistry::hugeGarbageIsRejectedQuickly_data()
{
    QTest::addColumn<QByteArray>("hive");
    const qsizetype tenMegabytes = 10 * 1024 * 1024;
    const QByteArray head("WINE REGISTRY Version 2\n");
    QTest::newRow("random bytes") << randomBytes(tenMegabytes, 3);
    QTest::newRow("random bytes after the header") << head + randomBytes(tenMegabytes, 4);
    QTest::newRow("endless escapes") << head + "[" + QByteArray(tenMegabytes, '\\');
    QTest::newRow("a key of ten megabytes") << head
            + "[Software\\\\Valve\\\\Steam]\n\"x\"=hex:00,\\\n"
            + QByteArray(tenMegabytes / 4, 'x').replace("x", "00,\\\n");
}

void TestRegistry::hugeGarbageIsRejectedQuickly()
{
    QFETCH(QByteArray, hive);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("wineprefix/system.reg"), hive);

    QElapsedTimer timer;
    timer.start();
    for (int lookup = 0; lookup < 20; ++lookup)
        QCOMPARE(Platform::registryString(steamKey, QStringLiteral("InstallPath")), QString());
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed()) + " ms"));
}

void TestRegistry::twentyLookupsInALargeHive()
{
    Sandbox sandbox;
    // About 3 MB in the shape of a real system.reg: many keys, times, strings and hex blocks.
    QByteArray hive(
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n");
    for (int n = 0; n < 12000; ++n) {
        hive += "\n[Software\\\\Classes\\\\CLSID\\\\{"
            + QByteArray::number(n, 16).rightJustified(8, '0')
            + "-0000-0000-C000-000000000046}\\\\InprocServer32] 1699999999\n"
              "#time=1da1b2c3d4e5f60\n"
              "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n"
              "\"ThreadingModel\"=\"Both\"\n"
              "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,\\\n"
              "  14,15,16,17,18,19,1a,1b,1c,1d,1e,1f\n";
    }
    const QByteArray prefix("Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                            "Uninstall\\\\InstallShield_");
    hive += "\n[" + prefix
        + "{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}] 1699999999\n"
          "\"InstallLocation\"=\"C:\\\\Games\\\\UT3\"\n";
    QVERIFY(hive.size() > 2 * 1024 * 1024);
    sandbox.write(QStringLiteral("wineprefix/system.reg"), hive);

    // The order in which detection asks: nineteen misses, then the hit.
    const QString uninstall = QStringLiteral(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
        "InstallShield_");
    QElapsedTimer timer;
    timer.start();
    for (int miss = 0; miss < 19; ++miss)
        QCOMPARE(Platform::registryString(uninstall + QString::number(miss),
                                          QStringLiteral("InstallLocation")),
                 QString());
    QCOMPARE(Platform::registryString(uninstall + "{BFA90209-7AFF-4DB6-8E4B-E57305751AD7}",
                                      QStringLiteral("InstallLocation")),
             QStringLiteral("C:\\Games\\UT3"));
    const qint64 elapsed = timer.elapsed();
    qInfo("20 lookups in a %lld-byte hive: %lld ms", qint64(hive.size()), elapsed);
    QVERIFY2(elapsed < 2000, qPrintable(QString::number(elapsed) + " ms"));
}

void TestRegistry::rewrittenHiveIsReadAgain()
{
    Sandbox sandbox;
    const QString file = sandbox.path(QStringLiteral("wineprefix/system.reg"));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-60);
    // Each version puts the key somewhere else, so that a stale index finds nothing.
    const auto writeHive = [&](const QByteArray &before, const QByteArray &path,
                               const QByteArray &after, const QDateTime &modified) {
        sandbox.write(QStringLiteral("wineprefix/system.reg"),
                      "WINE REGISTRY Version 2\n" + before + "[Software\\\\Valve\\\\Steam]\n"
                          + "\"InstallPath\"=\"" + path + "\"\n" + after);
        QFile hive(file);
        return hive.open(QIODevice::ReadWrite)
            && hive.setFileTime(modified, QFileDevice::FileModificationTime);
    };
    const auto installPath = [] {
        return Platform::registryString(steamKey, QStringLiteral("InstallPath"));
    };

    QVERIFY(writeHive(";;;;\n", "C:\\\\One", "", start));
    QCOMPARE(installPath(), QStringLiteral("C:\\One"));
    QVERIFY(writeHive("", "C:\\\\Two", ";;;;\n", start.addSecs(30))); // same size, later time
    QCOMPARE(installPath(), QStringLiteral("C:\\Two"));
    QVERIFY(writeHive(";\n", "C:\\\\Three", "", start.addSecs(30))); // same time, other size
    QCOMPARE(installPath(), QStringLiteral("C:\\Three"));
}

DUSKMERE_TEST_MAIN(TestRegistry)
#include "tst_registry.moc"

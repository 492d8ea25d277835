#include "Sandbox.h"
#include "TestMain.h"
#include "platform/Registry.h"

#include <QRandomGenerator>

#include <windows.h>

// The Windows registry as install detection reads it: values under a key of this test's own
// below HKEY_CURRENT_USER\Software, written with the raw registry API and removed afterwards,
// and values that every Windows installation has below HKEY_LOCAL_MACHINE.
class TestWinRegistry : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void currentUser_data();
    void currentUser();
    void localMachine_data();
    void localMachine();
    void readingCreatesNoKeys();

private:
    QString userKey(const QString &subKey = QString()) const;
    void writeValue(const QString &subKey, const QString &name, const QString &value);

    QString testKey; // below HKEY_CURRENT_USER, unique to this run
};

namespace {
const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

bool keyExists(HKEY hive, const QString &subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, wide(subKey), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

QString rawString(HKEY hive, const QString &subKey, const QString &name)
{
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    if (RegGetValueW(hive, wide(subKey), wide(name), RRF_RT_REG_SZ, nullptr, buffer, &size)
        != ERROR_SUCCESS)
        return QString();
    return QString::fromWCharArray(buffer);
}
} // namespace

void TestWinRegistry::init()
{
    testKey = QStringLiteral("Software\\DuskmereSetup tests %1-%2")
                  .arg(GetCurrentProcessId())
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void TestWinRegistry::cleanup()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, wide(testKey));
    QVERIFY(!keyExists(HKEY_CURRENT_USER, testKey));
}

QString TestWinRegistry::userKey(const QString &subKey) const
{
    QString path = QStringLiteral("HKEY_CURRENT_USER\\") + testKey;
    if (!subKey.isEmpty())
        path += QLatin1Char('\\') + subKey;
    return path;
}

void TestWinRegistry::writeValue(const QString &subKey, const QString &name, const QString &value)
{
    HKEY key = nullptr;
    const QString path = testKey + QLatin1Char('\\') + subKey;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_WRITE, nullptr, &key, nullptr),
             LONG(ERROR_SUCCESS));
    const auto bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    const LONG written = RegSetValueExW(key, wide(name), 0, REG_SZ,
                                        reinterpret_cast<const BYTE *>(value.utf16()), bytes);
    RegCloseKey(key);
    QCOMPARE(written, LONG(ERROR_SUCCESS));
}

void TestWinRegistry::currentUser_data()
{
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value"); // written under subKey\name; null: nothing written
    QTest::addColumn<QString>("askedKey"); // what the reader asks for, below the test key
    QTest::addColumn<QString>("askedName");
    QTest::addColumn<QString>("expected");

    const QString steam = QStringLiteral("Valve\\Steam");
    QTest::newRow("install path") << steam << "InstallPath"
                                  << "C:\\Program Files (x86)\\Steam" << steam << "InstallPath"
                                  << "C:\\Program Files (x86)\\Steam";
    QTest::newRow("trailing backslash kept") << steam << "InstallPath"
                                             << "D:\\Games\\UT3\\" << steam << "InstallPath"
                                             << "D:\\Games\\UT3\\";
    QTest::newRow("names ignore case")
        << "Uninstall\\InstallShield_{C019D439-E7F8-49EB-85FA-6D0C8CCBDA23}"
        << "InstallLocation"
        << "E:\\UT3"
        << "UNINSTALL\\installshield_{c019d439-e7f8-49eb-85fa-6d0c8ccbda23}"
        << "installlocation"
        << "E:\\UT3";
    const QString nonLatin = QStringLiteral("C:\\Spiele\\\u00dcnreal T\u00fcrnament 3 \u30b2");
    QTest::newRow("non-latin characters")
        << steam << "InstallPath" << nonLatin << steam << "InstallPath" << nonLatin;
    QTest::newRow("empty value") << steam << "InstallPath"
                                 << "" << steam << "InstallPath"
                                 << "";
    QTest::newRow("missing value") << steam << "SteamExe"
                                   << "C:\\Steam\\steam.exe" << steam << "InstallPath"
                                   << "";
    QTest::newRow("missing key") << steam << "InstallPath"
                                 << "C:\\Steam"
                                 << "Valve\\Steam2"
                                 << "InstallPath"
                                 << "";
    QTest::newRow("value name is no key") << steam << "InstallPath"
                                          << "C:\\Steam"
                                          << "Valve"
                                          << "Steam"
                                          << "";
}

void TestWinRegistry::currentUser()
{
    QFETCH(QString, subKey);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, askedKey);
    QFETCH(QString, askedName);
    QFETCH(QString, expected);
    Sandbox sandbox;
    writeValue(subKey, name, value);

    const QString read = Platform::registryString(userKey(askedKey), askedName);
    QCOMPARE(read, expected);
}

void TestWinRegistry::localMachine_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");

    // Present on every Windows installation (and in every Wine prefix).
    QTest::newRow("system root") << "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                                 << "SystemRoot";
    QTest::newRow("program files") << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                                   << "ProgramFilesDir";
}

void TestWinRegistry::localMachine()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    Sandbox sandbox;

    const QString expected = rawString(HKEY_LOCAL_MACHINE, key, name);
    QVERIFY2(!expected.isEmpty(), qPrintable(key + QLatin1Char('\\') + name));
    QCOMPARE(Platform::registryString(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, name),
             expected);
    QCOMPARE(Platform::registryString(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key,
                                      name + QLatin1String("Missing")),
             QString());
}

// Install detection asks for up to twenty keys that mostly do not exist; asking must not leave
// them behind as empty keys.
void TestWinRegistry::readingCreatesNoKeys()
{
    Sandbox sandbox;
    const QString missing = QStringLiteral("Uninstall\\InstallShield_{missing}");
    QVERIFY(Platform::registryString(userKey(missing), QStringLiteral("InstallLocation")).isNull());
    QVERIFY(!keyExists(HKEY_CURRENT_USER, testKey));

    writeValue(QStringLiteral("Valve"), QStringLiteral("Other"), QStringLiteral("x"));
    QVERIFY(Platform::registryString(userKey(QStringLiteral("Valve\\Steam")),
                                     QStringLiteral("InstallPath"))
                .isEmpty());
    QVERIFY(!keyExists(HKEY_CURRENT_USER, testKey + QLatin1String("\\Valve\\Steam")));
}

DUSKMERE_TEST_MAIN(TestWinRegistry)
#include "tst_winregistry.moc"

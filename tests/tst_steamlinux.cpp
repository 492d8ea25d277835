#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "platform/Edition.h"
#include "platform/StandardFolders.h"
#include "platform/SteamKeyValues.h"
#include "platform/WinePrefix.h"

#include <QElapsedTimer>

// Steam for Linux: its files as read, and the prefix the game runs in. The Steam edition's whole
// installation on such a home is the real program's test.
class TestSteamLinux : public QObject
{
    Q_OBJECT

private slots:
    void keyValues_data();
    void keyValues();
    void prefix_data();
    void prefix();
};

namespace {
const QString Query = QStringLiteral("libraryfolders/1/path");

// The sandbox as a Linux home without WINEPREFIX and without the tests' folder override.
struct LinuxHome
{
    LinuxHome(bool steamEdition, bool keepWinePrefix)
    {
        if (!keepWinePrefix)
            qunsetenv("WINEPREFIX"); // the sandbox puts it back
        Platform::setStandardFoldersRoot(QString());
        Platform::setSteamEdition(steamEdition);
    }
    ~LinuxHome() { Platform::setSteamEdition(false); }
};
} // namespace

void TestSteamLinux::keyValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("query"); // keys from the top, "/" between them
    QTest::addColumn<QString>("expected"); // null: nothing found

    // A lenient reader would find the second library in every malformed row.
    const QByteArray vdf = SampleWorld::libraryFolders("/home/u/.steam", "/mnt/Games 2");
    QTest::newRow("two libraries") << vdf << Query << "/mnt/Games 2";
    QTest::newRow("escapes, any letter case") << vdf << "LibraryFolders/1/LABEL"
                                              << "Games \"2\"";
    QTest::newRow("app manifest, comment, bare word")
        << QByteArray("// written by Steam\n\"AppState\" { appid 13210 \"installdir\" "
                      "\"Unreal Tournament 3\" }")
        << "AppState/installdir"
        << "Unreal Tournament 3";
    QTest::newRow("a block is no value") << vdf << "libraryfolders/1" << QString();
    QTest::newRow("truncated") << vdf.left(vdf.indexOf("\"contentid\"\t\t\"72")) << Query
                               << QString();
    QTest::newRow("closed once too often") << vdf + "}" << Query << QString();
    QTest::newRow("block without a key") << "{ }\n" + vdf << Query << QString();
    QTest::newRow("unknown escape")
        << QByteArray(vdf).replace("Games \\\"2", "Games \\q2") << Query << QString();
    QTest::newRow("nested too deep")
        << vdf + QByteArray("\"x\"{").repeated(40) + QByteArray("}").repeated(40) << Query
        << QString();
    QTest::newRow("huge") << vdf + "//" + QByteArray(5 << 20, 'x') << Query << QString();
    QTest::newRow("binary: NUL") << QByteArray(vdf).replace("label", QByteArray("lab\0l", 5))
                                 << Query << QString();
    QTest::newRow("binary: not UTF-8")
        << QByteArray(vdf).replace("label", "lab\xffl") << Query << QString();
}

void TestSteamLinux::keyValues()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.write(QStringLiteral("file.vdf"), text);
    QElapsedTimer clock;
    clock.start();
    const auto file = SteamKeyValues::read(sandbox.path(QStringLiteral("file.vdf")));
    const SteamKeyValues::Node *node = file ? &*file : nullptr;
    const QStringList keys = query.split('/');
    for (int i = 0; node && i + 1 < keys.size(); ++i)
        node = node->child(keys[i]);
    QCOMPARE(node ? node->string(keys.last()) : QString(), expected);
    QVERIFY(file.has_value() == !expected.isNull() || query.count('/') < 2);
    QVERIFY(clock.elapsed() < 2000);
}

void TestSteamLinux::prefix_data()
{
    QTest::addColumn<QString>("world"); // what the home holds
    QTest::addColumn<bool>("steamEdition");
    QTest::addColumn<QString>("prefix"); // relative to the sandbox root
    QTest::addColumn<QString>("documents"); // relative to the prefix

    const QString wine = QStringLiteral("home/.wine");
    const QString proton = SampleWorld::protonPrefix(QStringLiteral("Games/SteamLibrary"));
    const QString own = "drive_c/users/" + QFileInfo(QDir::homePath()).owner() + "/Documents";
    const QString steamuser = QStringLiteral("drive_c/users/steamuser/Documents");
    QTest::newRow("WINEPREFIX set") << "wineprefix steam" << true << "wineprefix" << own;
    QTest::newRow("Steam edition, the game's manifest gone")
        << "steam no-manifest" << true << proton << steamuser;
    QTest::newRow("retail, Steam's library holds the game")
        << "steam" << false << proton << steamuser;
    QTest::newRow("retail, no Steam") << "" << false << wine << own;
    QTest::newRow("Steam edition, no Proton prefix yet") << "steam no-pfx" << true << wine << own;
}

void TestSteamLinux::prefix()
{
    QFETCH(QString, world);
    QFETCH(bool, steamEdition);
    QFETCH(QString, prefix);
    QFETCH(QString, documents);
    Sandbox sandbox;
    for (const char *account : {"home/.wine/drive_c/users/", "wineprefix/drive_c/users/"})
        sandbox.mkdir(account + QFileInfo(sandbox.home()).owner() + "/Documents");
    if (world.contains("steam"))
        SampleWorld::steamHome(sandbox);
    if (world.contains("no-manifest"))
        QVERIFY(QFile::remove(sandbox.path("Games/SteamLibrary/steamapps/appmanifest_13210.acf")));
    if (world.contains("no-pfx"))
        QVERIFY(QDir(sandbox.path("Games/SteamLibrary/steamapps/compatdata")).removeRecursively());
    LinuxHome home(steamEdition, world.contains("wineprefix"));
    QCOMPARE(Platform::winePrefix(), sandbox.path(prefix));
    QCOMPARE(QFileInfo(Platform::documentsFolder()).canonicalFilePath(),
             QFileInfo(sandbox.path(prefix) + '/' + documents).canonicalFilePath());
}

DUSKMERE_TEST_MAIN(TestSteamLinux)
#include "tst_steamlinux.moc"

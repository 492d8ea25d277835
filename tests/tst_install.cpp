#include "CopyRun.h"
#include "EventLoop.h"
#include "FileSystemLike.h"
#include "MessageBoxAnswerer.h"
#include "SampleWorld.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "install/ShortcutNames.h"
#include "install/ShortcutStep.h"
#include "pages/GatherPage.h"
#include "platform/shortcuts/Launcher.h"
#include "platform/shortcuts/ShellLink.h"
#include "wizard/DuskmereWizard.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QThread>

#include <algorithm>
#include <optional>

// The copy worker from start to end, the links and the Unix link writer beneath them.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installsOverAnOlderTree_data();
    void installsOverAnOlderTree();
    void runEnds_data();
    void runEnds();
    void shortcutNames_data();
    void shortcutNames();
    void failures_data();
    void failures();
    void unixLinkWriter();
};

namespace {
const QString DesktopMessage = QStringLiteral(
    "<html><b>DuskmereSetup couldn't create a Desktop shortcut.<br>This means you probably won't "
    "be able to play!</b><br><br>Please make sure you have writing permission for your "
    "desktop.<br><br> If you are using Windows Vista or newer, please try restarting "
    "DuskmereSetup as Administrator (right click the setup icon).<br><br><b>If all else fails, "
    "please try installing The Duskmere manually.</b></html>");
const QString StartMenuMessage = QString(DesktopMessage).replace("a Desktop", "a Start Menu");
} // namespace

void TestInstall::installsOverAnOlderTree_data()
{
    QTest::addColumn<FileSystemLike>("like");
    QTest::addColumn<int>("taken"); // hidden names that meet a file already there
    QTest::newRow("a file system with anonymous files") << FileSystemLike::Usual << 0;
    QTest::newRow("a file system without them, the first hidden names taken")
        << FileSystemLike::NoAnonymousFiles << 3;
    QTest::newRow("FAT: nor hard links, nor renaming without replacing, nor modes")
        << FileSystemLike::Fat << 0;
}

void TestInstall::installsOverAnOlderTree()
{
    QFETCH(FileSystemLike, like);
    QFETCH(int, taken);
    if (like != FileSystemLike::Usual)
        SKIP_ON_WINDOWS("a Unix copy routine's fallback");
    const auto usual = qScopeGuard([] { fileSystemLike = FileSystemLike::Usual, namesTaken = 0; });
    Sandbox sandbox;
    // Upper case sorts before lower case; the running total reaches a megabyte by one byte.
    const auto names =
        QString("A.txt;B/x.txt;DuskmereGame/Splash/icon.ico;a/y.txt;b.txt").split(';');
    const QList<QByteArray> contents {QByteArray(megabyte - 1, 'A'), "x", "icon", "", "b"};
    const QString data = sandbox.path("GameFiles/");
    for (int i = 0; i < names.size(); ++i)
        sandbox.write(data + names[i], contents[i]);
    sandbox.mkdir("GameFiles/Empty/Inner");
    // Read-only as from a disc; bits a umask takes away, an execute bit no default mode has.
    QVERIFY(QFile::setPermissions(data + "A.txt", QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(data + "b.txt",
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOther));
    // Configured the Windows way and reached through a link, while the entries are canonical.
    const bool links = Sandbox::linkFolder(sandbox.path("GameFiles"), sandbox.path("Linked"));
    sandbox.writeConfig(links ? "[Files]\ndataDir=\"..\\\\Linked\\\\\"\n" : "");
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles(); // as the Gather page leaves it
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    std::reverse(wizard.files.begin(), wizard.files.end());
    wizard.size = 5 * megabyte; // the bar's maximum, which the last value must reach
    // Replaced: a file for a folder, an older read-only file; leftovers of a killed run go.
    for (const QString name : {"Game/UT3/B", "Game/UT3/A.txt", "Game/UT3/a/.duskmere-partial-x1"}) {
        sandbox.write(name, "an older version");
        QVERIFY(QFile::setPermissions(sandbox.path(name), QFile::ReadOwner));
    }
    sandbox.write("elsewhere/keep.txt", "keep"); // reached by links, never written through
    const QString elsewhere = sandbox.path("elsewhere");
    if (links)
        QVERIFY(Sandbox::linkFolder(elsewhere, wizard.ut3UserDir + "/DuskmereGame"));
    if (links && QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QVERIFY(QFile::link(elsewhere + "/keep.txt", wizard.ut3UserDir + "/b.txt"));

    QStringList expected {"file A.txt", "written 0"};
    for (const QString &name : names.mid(1))
        expected << "file " + QDir::toNativeSeparators(name) << "written 1";
    fileSystemLike = like;
    namesTaken = taken;
    for (int run = 0; run < 2; ++run) // the second meets the first one's read-only files
        QCOMPARE(install(wizard), (expected + QStringList {"done", "written 5"}));
    QCOMPARE(namesTaken.load(), 0);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(sandbox.read(wizard.ut3UserDir + '/' + names[i]), contents[i]);
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    for (const QString name : {"A.txt", "b.txt"}) {
        const QFile::Permissions installed = QFile::permissions(wizard.ut3UserDir + '/' + name);
        if (like != FileSystemLike::Fat)
            QCOMPARE(installed, QFile::permissions(data + name));
        else if (name == "A.txt") // without modes, a read-only file still arrives read-only
            QVERIFY(!(installed & writable));
    }
    QVERIFY(QFileInfo(wizard.ut3UserDir + "/Empty/Inner").isDir());
    QCOMPARE(entriesOf(wizard.ut3UserDir + "/a"), QStringList {"y.txt"});
    QCOMPARE(entriesOf(elsewhere), QStringList {"keep.txt"});
    QCOMPARE(sandbox.read(elsewhere + "/keep.txt"), QByteArray("keep"));
    if (!links)
        QSKIP("all but the links passed: this system makes no junctions (Wine)");
}

void TestInstall::runEnds_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("log"); // %1: the folder that holds the game's folder UT3
    QTest::addColumn<QStringList>("left"); // in UT3 afterwards
    const auto row = [](const char *name, const char *fault, const char *log,
                        const QStringList &left) { QTest::newRow(name) << fault << log << left; };
    const char *failed = "file A.txt;written 0;file B.bin;fileError %1/UT3/B.bin";
    QStringList all {"A.txt", "B.bin"};
    QString log = "file A.txt;written 0;file B.bin;written 3";
    for (int i = 0; i < laterFiles; ++i) {
        all << QString("C%1.txt").arg(i, 2, 10, QChar('0'));
        log += ";file " + all.last() + ";written 3";
    }
    row("no fault", "", qPrintable(log + ";done;written 3"), all);
    row("quit confirmed during copying", "quit",
        "file A.txt;written 0;file B.bin;written 3;done;written 3", {"A.txt", "B.bin"});
    row("a folder where a file belongs", "folder", failed, {"A.txt", "B.bin"});
    row("a source that vanished after gathering", "vanished", failed, {"A.txt"});
    const char *full = "file A.txt;written 0;file B.bin;fileError %1/UT3/B.bin (disk full)";
    row("a full file system", "full", full, {"A.txt"});
    row("a full file system, FAT (no anonymous files)", "full, FAT", full, {"A.txt"});
    // Links out of the data would land beside UT3 if mapped plainly; sorting first, they end it,
    // named as they lie in the data.
    row("a link to a folder outside", "Beyond", "dirError <data>/Linked", {});
    row("a link to a file outside", "Beyond/secret.txt", "fileError <data>/Linked", {});
}

void TestInstall::runEnds()
{
    QFETCH(QString, fault);
    QFETCH(QString, log);
    QFETCH(QStringList, left);
    if (fault.startsWith("Beyond"))
        SKIP_ON_WINDOWS("the links are made with the Unix call");
    Sandbox sandbox;
    for (const char *name : {"GameFiles/A.txt", "Beyond/secret.txt"})
        sandbox.write(name, name);
    sandbox.write("GameFiles/B.bin", QByteArray(3 * megabyte, 'b'));
    for (int i = 0; i < laterFiles; ++i)
        sandbox.write(QString("GameFiles/C%1.txt").arg(i, 2, 10, QChar('0')),
                      QByteArray::number(i));
    const QString data = sandbox.path("GameFiles");
    if (fault.startsWith("Beyond"))
        QVERIFY(QFile::link(sandbox.path(fault), data + "/Linked"));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString myGames = QFileInfo(wizard.ut3UserDir).absolutePath();
    std::optional<TmpfsMount> mount;
    if (fault.startsWith("full") && !mount.emplace(myGames, megabyte).isMounted())
        QSKIP(qPrintable(mount->reason()));
    const auto usual = qScopeGuard([] { fileSystemLike = FileSystemLike::Usual; });
    if (fault.endsWith("FAT"))
        fileSystemLike = FileSystemLike::Fat;
    if (fault == "folder")
        QVERIFY(QDir().mkpath(wizard.ut3UserDir + "/B.bin/inside"));
    if (fault == "vanished")
        QVERIFY(QFile::remove(data + "/B.bin"));

    // As B.bin's turn comes, later files are being copied ahead, never more than a few. On a full
    // disk B.bin may take the last free block before any of them is made, so only the most counts.
    qsizetype ahead = fault.startsWith("Beyond") || fault.startsWith("full") ? 2 : 0;
    const auto copiedAhead = [&](const QString &path) {
        for (const QDeadlineTimer deadline(10000);
             path == "B.bin" && ahead < 2 && !deadline.hasExpired(); QThread::msleep(1))
            ahead = temporariesIn(wizard.ut3UserDir);
        if (path == "B.bin") {
            QThread::msleep(100);
            ahead = std::max(ahead, temporariesIn(wizard.ut3UserDir));
        }
    };
    QCOMPARE(install(wizard, fault == "quit" ? "B.bin" : "", copiedAhead),
             log.replace("%1", myGames)
                 .replace("<data>", QFileInfo(data).canonicalFilePath())
                 .split(';'));
    QVERIFY2(ahead >= 2 && ahead <= 33, qPrintable(QString::number(ahead)));
    // Nothing after the end, nothing outside, nothing half written even under a hidden name.
    QCOMPARE(entriesOf(myGames), QStringList {"UT3"});
    QCOMPARE(entriesOf(wizard.ut3UserDir), left);
    for (const QString &name : left)
        if (QFileInfo(wizard.ut3UserDir + '/' + name).isFile())
            QCOMPARE(sandbox.read(wizard.ut3UserDir + '/' + name), sandbox.read(data + '/' + name));
}

void TestInstall::shortcutNames_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("name"); // whether it serves as Shortcut/Name
    QTest::addColumn<bool>("group"); // as Shortcut/GroupName
    const auto row = [](const char *value, bool name, bool group) {
        QTest::newRow(value) << QString::fromUtf8(value) << name << group;
    };
    row("The Duskmere.lnk", true, true);
    row("Play.LNK", true, true);
    row("D\u00e4mmerung", true, true);
    row("Duskmere\\Tools/Maps", false, true);
    row("..", false, false);
    row("../../.config/autostart", false, false);
    row("Tools\\..\\..\\Startup", false, false);
    row("Tools/./Maps", false, false);
    row("/tmp/x", false, false);
    row("\\\\server\\share", false, false);
    row("C:\\Evil", false, false);
    row("C:Evil", false, false);
    row("Tools//Maps", false, false);
    row("Tools/", false, false);
    row("", false, false);
    row(".lnk", false, true);
    row("tab\there", false, false);
    row("CON", false, false);
    row("nul.txt.lnk", false, false);
    row("Com1 .tar", false, false);
    row("Tools/LPT9", false, false);
    row("CONSOLE", true, true);
    row("COM10.lnk", true, true);
    row("trailing..lnk", false, true);
    row("trailing ", false, false);
    row("what?", false, false);
    row("1/2/3/4/5/6/7/8", false, true);
    row("1/2/3/4/5/6/7/8/9", false, false);
    QTest::newRow("255 characters") << QString(255, 'x') << true << true;
    QTest::newRow("256 characters") << QString(256, 'x') << true << false;
}

void TestInstall::shortcutNames()
{
    QFETCH(QString, value);
    QFETCH(bool, name);
    QFETCH(bool, group);
    QCOMPARE(ShortcutNames::isFileName(value), name);
    QCOMPARE(ShortcutNames::isFolderPath(value), group);
}

void TestInstall::failures_data()
{
    QTest::addColumn<QByteArray>("shortcut"); // [Shortcut] of ds.conf
    QTest::addColumn<bool>("desktop"); // whether the Desktop link is chosen; the Start Menu's is
    QTest::addColumn<QString>("failed"); // D: the Desktop's message, S: the Start Menu's
    const auto row = [](const char *name, const char *shortcut, bool desktop, const char *failed) {
        QTest::newRow(name) << QByteArray(shortcut) << desktop << QString(failed);
    };
    row("a folder in the Desktop link's place", "", true, "D");
    row("the game gone, the Start Menu link only", "", false, "S");
    // Names that break the rule: nothing at all is written for them, not even a folder.
    row("a name that climbs out of both folders", "Name=..\\\\..\\\\escaped\n", true, "DS");
    row("a group that climbs out of the menu", "GroupName=Duskmere/../../../autostart\n", false,
        "S");
    row("a name that is only the ending", "Name=.lnk\n", true, "DS");
    row("a FIFO as the icon, left out", "Icon=fifo\n", true, "");
    // Long enough for the link, too long for the launcher: neither is left.
    QTest::newRow("a name too long for one of its files") << "Name=" + QByteArray(250, 'x') + '\n'
                                                          << true << QString("DS");
    row("the group folder a link to another folder", "", false, "S");
    // The link's group is made first, and goes again.
    row("a file in the menu launchers' group place", "GroupName=New Group/Sub\n", false, "S");
    // The link is complete by then and goes again: a shortcut is whole or absent. The icon that
    // the launchers share stays for the Desktop's.
    row("a folder in the menu launcher's place", "", false, "S");
    row("the menu launcher's place taken by a folder, the Desktop's made", "", true, "S");
}

void TestInstall::failures()
{
    QFETCH(QByteArray, shortcut);
    QFETCH(bool, desktop);
    QFETCH(QString, failed);
    Sandbox sandbox;
    sandbox.writeConfig("[Shortcut]\n" + shortcut);
    DuskmereWizard wizard;
    sandbox.write(QStringLiteral("UT3.exe"), "MZ");
    const QString tag = QTest::currentDataTag();
    wizard.ut3Path = sandbox.path(tag.contains("game gone") ? "Gone.exe" : "UT3.exe");
    wizard.ut3UserDir = sandbox.root();
    wizard.desktopLink = desktop;
    wizard.startMenuLink = true;
    // The link's place, and the launcher's where the launcher alone goes to the desktop.
    if (tag.contains("folder in")) {
        for (const char *icon : {"/The Duskmere.lnk", "/The Duskmere.desktop"})
            QDir().mkpath(sandbox.desktop() + icon);
    }
    sandbox.mkfifo("fifo"); // opening it would wait for a writer
    const QString icon = sandbox.path("xdg/data/icons/The Duskmere.png");
    if (tag.contains("launcher's place")) {
        SKIP_ON_WINDOWS("no launchers there");
        QDir().mkpath(Platform::launcherFolder(Platform::LauncherPlace::Menu)
                      + "/The Duskmere/The Duskmere.desktop");
        QVERIFY(QDir().mkpath(sandbox.path("DuskmereGame/Splash"))
                && QFile::copy(SampleWorld::source()
                                   + "/GameFiles/DuskmereGame/Splash/duskmereicon.ico",
                               sandbox.path("DuskmereGame/Splash/duskmereicon.ico")));
        sandbox.write(icon, "the player's own");
    }
    if (tag.contains("group place")) {
        SKIP_ON_WINDOWS("no launchers there");
        sandbox.write(Platform::launcherFolder(Platform::LauncherPlace::Menu) + "/New Group", "");
        QDir().mkpath(sandbox.startMenu()); // there on every real system
    }
    if (tag.contains("too long"))
        SKIP_ON_WINDOWS("every file of a shortcut there is a link, of a name that fits");
    if (tag.contains("group folder a link")) {
        sandbox.mkdir("elsewhere");
        QDir().mkpath(sandbox.startMenu());
        if (!Sandbox::linkFolder(sandbox.path("elsewhere"), sandbox.startMenu() + "/The Duskmere"))
            QSKIP("this system makes no links to folders (Wine)");
    }
    const auto everything = [&] {
        QStringList paths;
        QDirIterator it(sandbox.root(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
        return paths;
    };
    const QStringList before = everything();

    MessageBoxAnswerer boxes;
    QCOMPARE(EventLoop::requestsQuit([&] { ShortcutStep::run(&wizard, &wizard); }),
             !failed.isEmpty());
    QStringList expected;
    if (failed.contains('D'))
        expected << DesktopMessage;
    if (failed.contains('S'))
        expected << StartMenuMessage;
    QCOMPARE(boxes.texts(), expected);
    for (const MessageBoxAnswerer::Box &box : std::as_const(boxes.seen))
        QVERIFY(box.title == "DuskmereSetup - Critical Error" && box.icon == QMessageBox::Critical
                && box.buttons == QMessageBox::Ok);
    // A failed Desktop link does not keep the Start Menu's from being made.
    QCOMPARE(QFileInfo(sandbox.startMenu() + "/The Duskmere/The Duskmere.lnk").isFile(),
             !failed.contains('S'));
    if (!shortcut.isEmpty() && !failed.isEmpty())
        QCOMPARE(everything(), before);
    QCOMPARE(entriesOf(sandbox.path("elsewhere")), QStringList());
    if (tag.contains("launcher's place"))
        QVERIFY(desktop ? !QImage(icon).isNull() : sandbox.read(icon) == "the player's own");
}

void TestInstall::unixLinkWriter()
{
    SKIP_ON_WINDOWS("a test of the Unix link writer");
    Sandbox sandbox;
    const QString exe = sandbox.path("UT3.exe");
    sandbox.write(exe, QByteArray(1234, 'x'));
    sandbox.write("old.lnk", "an older link");
    sandbox.mkdir("folder.lnk");
    sandbox.write("elsewhere/x.lnk", QByteArray(100000, 'o')); // older, longer, behind x.lnk
    QVERIFY(QFile::link(sandbox.path("elsewhere/x.lnk"), sandbox.path("x.lnk")));
    const QStringList before = entriesOf(sandbox.root());
    const auto write = [&](const char *link, const QString &arguments) {
        return Platform::writeShellLink(sandbox.path(link), {exe, {}, arguments, {}, 7});
    };

    // Saving over a folder fails only at the very end; the format holds no 70000 characters.
    QVERIFY(!write("folder.lnk", {}) && !write("old.lnk", QString(70000, 'a')));
    QCOMPARE(entriesOf(sandbox.root()), before);
    QCOMPARE(sandbox.read("old.lnk"), QByteArray("an older link"));

    QCOMPARE(QProcess::execute("touch", {"-d", "2009-10-11 12:13:14Z", exe}), 0);
    QVERIFY(write("x.lnk", "-solomod"));
    const QByteArray bytes = sandbox.read("x.lnk"); // time, size, icon index; the rest: fuzzing
    QCOMPARE(bytes.mid(0x2C, 16).toHex(), "002906356c4aca01d204000007000000");
    QCOMPARE(bytes.right(4), QByteArray(4, '\0')); // terminal block, nothing of the old link
    QVERIFY(bytes.contains(QByteArray::fromHex("19002f") + "Z:\\")); // the drive's shell item
    QCOMPARE(QFileInfo(sandbox.path("elsewhere/x.lnk")).size(), 100000);
}

DUSKMERE_TEST_MAIN(TestInstall)
#include "tst_install.moc"

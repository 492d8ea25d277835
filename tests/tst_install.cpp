#include "EventLoop.h"
#include "FileSystemLike.h"
#include "MessageBoxAnswerer.h"
#include "Sandbox.h"
#include "TestMain.h"
#include "TmpfsMount.h"
#include "install/CopyThread.h"
#include "install/ShortcutNames.h"
#include "install/ShortcutStep.h"
#include "pages/GatherPage.h"
#include "platform/copy/FileCopier.h"
#include "platform/shortcuts/Launcher.h"
#include "platform/shortcuts/ShellLink.h"
#include "platform/walk/DataTree.h"
#include "wizard/DuskmereWizard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

// The copy worker, the single-file copy below it, the links and the Unix link writer beneath them.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installsOverAnOlderTree_data();
    void installsOverAnOlderTree();
    void runEnds_data();
    void runEnds();
    void sourceChangedAfterTheWalk_data();
    void sourceChangedAfterTheWalk();
    void gameFolderMovedAside_data();
    void gameFolderMovedAside();
    void killedCopyLeavesNoPartialFile();
    void shortcutNames_data();
    void shortcutNames();
    void folderSwappedForALinkMeanwhile();
    void folderSwappedBetweenTwoOfItsFiles_data();
    void folderSwappedBetweenTwoOfItsFiles();
    void failures_data();
    void failures();
    void unixLinkWriter();
};

namespace {

constexpr int megabyte = 1048576;
// More than the copy worker ever copies ahead of the file whose turn it is.
constexpr int laterFiles = 40;

// One file copied as the worker copies it, from a data tree of the source's folder.
bool copyOne(const QString &source, const QString &target)
{
    const QFileInfo info(source);
    Platform::DataTree tree(info.path());
    tree.count(info.fileName(), info.size());
    return Platform::FileCopier(tree, QFileInfo(target).path()).copy(info.fileName(), target);
}

const int copyingChild = [] { // the kill test's child copies one file before any test runs
    const QList<QByteArray> job = qgetenv("DUSKMERE_COPY_JOB").split('\n');
    if (job.size() != 2)
        return 0;
    std::_Exit(copyOne(QFile::decodeName(job[0]), QFile::decodeName(job[1])) ? 0 : 1);
}();

// The swap test's child: a link to `job[2]` waits beside the folder `job[1]`; once the big
// file's temporary shows in `job[0]`, the folder moves aside and the link takes its place.
const int swappingChild = [] {
    const QList<QByteArray> job = qgetenv("DUSKMERE_SWAP_JOB").split('\n');
    if (job.size() != 3)
        return 0;
    const QString watched = QFile::decodeName(job[0]), folder = QFile::decodeName(job[1]);
    const bool links = Sandbox::linkFolder(QFile::decodeName(job[2]), folder + ".link");
    std::fputs(links ? "watching\n" : "no links\n", stdout); // the copy starts only now
    std::fflush(stdout);
    const QDeadlineTimer deadline(20000);
    while (
        links
        && QDir(watched).entryList({".duskmere-partial-*"}, QDir::Files | QDir::Hidden).isEmpty()) {
        if (deadline.hasExpired())
            std::_Exit(1);
        QThread::msleep(1);
    }
    const bool swapped = links && QDir().rename(folder, folder + ".moved")
        && QDir().rename(folder + ".link", folder);
    std::_Exit(swapped ? 0 : 1);
}();

// The worker's signals as the Copy page gets them; the user confirms quitting as `quitAt` comes up.
// `onFile` runs on the worker as each file's turn comes, before it is placed.
QStringList install(DuskmereWizard &wizard, const QString &quitAt = QString(),
                    const std::function<void(const QString &)> &onFile = {})
{
    CopyThread thread(&wizard);
    QStringList log;
    const auto note = [&log](const char *what) {
        return [&log, what](auto... args) {
            log << QStringList {what, QVariant(args).toString()...}.join(' ');
        };
    };
    QObject::connect(&thread, &CopyThread::written, &wizard, note("written"));
    QObject::connect(&thread, &CopyThread::currentFileChanged, &wizard, note("file"));
    QObject::connect(&thread, &CopyThread::doneCopying, &wizard, note("done"));
    QObject::connect(&thread, &CopyThread::prepareDirError, &wizard, note("dirError"));
    QObject::connect(&thread, &CopyThread::copyFileError, &wizard, [&](const QString &file) {
        log << "fileError " + file + (thread.diskFull() ? " (disk full)" : "");
    });
    const auto quit = [&](const QString &path) {
        if (onFile)
            onFile(path);
        const QMutexLocker lock(&wizard.mutex);
        wizard.quitting = wizard.quitting || path == quitAt;
    };
    QObject::connect(&thread, &CopyThread::currentFileChanged, &thread, quit, Qt::DirectConnection);
    thread.start(QThread::HighPriority);
    if (!thread.wait(60000))
        qFatal("the copy worker did not finish");
    QCoreApplication::processEvents();
    return log;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

// The temporaries of files copied ahead into `folder`: the named ones, and on Linux the anonymous
// ones that this process holds open there. Called on the copy worker's thread, where the
// toolkit's listing of a folder leaves the Windows build hanging at its exit under Wine.
qsizetype temporariesIn(const QString &folder)
{
    qsizetype count = 0;
    std::error_code error;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::filesystem::path(folder.toStdU16String()), error))
        count += entry.path().filename().u8string().rfind(".duskmere-partial-", 0) == 0;
#ifdef Q_OS_LINUX
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd", error))
        count += QFile::decodeName(std::filesystem::read_symlink(fd, error).c_str())
                     .startsWith(folder + "/#");
#endif
    return count;
}

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
    row("a full file system", "full",
        "file A.txt;written 0;file B.bin;fileError %1/UT3/B.bin (disk full)", {"A.txt"});
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
    if (fault == "full" && !mount.emplace(myGames, megabyte).isMounted())
        QSKIP(qPrintable(mount->reason()));
    if (fault == "folder")
        QVERIFY(QDir().mkpath(wizard.ut3UserDir + "/B.bin/inside"));
    if (fault == "vanished")
        QVERIFY(QFile::remove(data + "/B.bin"));

    // As B.bin's turn comes, later files are being copied ahead, never more than a few.
    qsizetype ahead = fault.startsWith("Beyond") ? 2 : 0;
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

void TestInstall::sourceChangedAfterTheWalk_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("log"); // <data>: the data folder
    const char *refused =
        "file A.txt;written 0;file Config/Game.ini;fileError <data>/Config/Game.ini";
    QTest::newRow("a folder swapped for a link to secrets") << "link folder" << refused;
    QTest::newRow("the data folder swapped for a link to secrets")
        << "link data"
        << "file A.txt;written 0;file Config/Game.ini;written 0;file Config/Input.ini;written "
           "0;file Z.txt;written 0;done;written 0";
    QTest::newRow("a file replaced by a FIFO") << "fifo" << refused;
    // Copied ahead while the user quits: the run must still end.
    QTest::newRow("a file replaced by a FIFO, a quit before its turn")
        << "fifo, quit"
        << "file A.txt;written 0;done;written 0";
    QTest::newRow("a file replaced by a link to /dev/zero") << "zero" << refused;
    QTest::newRow("a file grown") << "grown" << refused;
    QTest::newRow("a file shrunk") << "shrunk" << refused;
}

// Between the walk and the copy the data changes; nothing but the files the walk counted, read
// from the folder it walked and only as far as it counted, may reach the game's folder.
void TestInstall::sourceChangedAfterTheWalk()
{
    QFETCH(QString, change);
    QFETCH(QString, log);
    if (!change.contains("grown") && !change.contains("shrunk"))
        SKIP_ON_WINDOWS("links and FIFOs are made the Unix way");
    Sandbox sandbox;
    // The secrets are as large as the files they stand in for.
    for (const char *name : {"A.txt", "Config/Game.ini", "Config/Input.ini", "Z.txt"}) {
        sandbox.write(QString("GameFiles/") + name, QByteArray("mod:") + name);
        sandbox.write(QString("Secrets/") + name, QByteArray("top:") + name);
    }
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString data = sandbox.path("GameFiles"), game = data + "/Config/Game.ini";
    log.replace("<data>", QFileInfo(data).canonicalFilePath())
        .replace("file Config/", "file " + QDir::toNativeSeparators("Config/"));
    if (change == "link folder")
        QVERIFY(QDir().rename(data + "/Config", sandbox.path("Config.moved"))
                && QFile::link(sandbox.path("Secrets/Config"), data + "/Config"));
    if (change == "link data")
        QVERIFY(QDir().rename(data, data + ".moved") && QFile::link(sandbox.path("Secrets"), data));
    if (change.startsWith("fifo") || change == "zero")
        QVERIFY(QFile::remove(game));
    if (change.startsWith("fifo"))
        sandbox.mkfifo(game);
    if (change == "zero")
        QVERIFY(QFile::link("/dev/zero", game));
    if (change == "grown" || change == "shrunk")
        sandbox.write(game, change == "grown" ? "mod:Config/Game.ini and more" : "mod:");

    QCOMPARE(install(wizard, change.endsWith("quit") ? "A.txt" : ""), log.split(';'));
    const QStringList installed = Sandbox::tree(wizard.ut3UserDir).keys();
    QCOMPARE(installed.size(), change == "link data" ? 4 : 1);
    for (const QString &name : installed)
        QCOMPARE(sandbox.read(wizard.ut3UserDir + '/' + name), "mod:" + name.toUtf8());
}

void TestInstall::gameFolderMovedAside_data()
{
    QTest::addColumn<QString>("at"); // the file whose turn moves the game's folder aside
    QTest::addColumn<QString>("instead"); // what then takes its place
    QTest::addColumn<QString>("log"); // <root>: the game's folder
    const char *entering = "file A.txt;written 0;file Sub/C.txt;fileError <root>";
    QTest::newRow("as a folder is entered, nothing instead") << "Sub/C.txt"
                                                             << "" << entering;
    QTest::newRow("as a folder is entered, an empty folder instead") << "Sub/C.txt"
                                                                     << "folder" << entering;
    QTest::newRow("as a folder is entered, a link elsewhere instead")
        << "Sub/C.txt"
        << "link elsewhere" << entering;
    QTest::newRow("at the last file, nothing instead")
        << "Sub/D.txt"
        << ""
        << "file A.txt;written 0;file Sub/C.txt;written 0;file Sub/D.txt;written 0;fileError "
           "<root>";
    QTest::newRow("a link to it instead")
        << "Sub/C.txt"
        << "link back"
        << "file A.txt;written 0;file Sub/C.txt;written 0;file Sub/D.txt;written 0;done;written 0";
}

// The game's folder is moved aside while the worker copies into it: the run must not end as if
// the mod were installed where the game looks for it.
void TestInstall::gameFolderMovedAside()
{
    QFETCH(QString, at);
    QFETCH(QString, instead);
    QFETCH(QString, log);
    if (instead.startsWith("link"))
        SKIP_ON_WINDOWS("links are made the Unix way");
    Sandbox sandbox;
    for (const char *name : {"A.txt", "Sub/C.txt", "Sub/D.txt"})
        sandbox.write(QString("GameFiles/") + name, name);
    sandbox.mkdir("Elsewhere");
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    const QString root = wizard.ut3UserDir = sandbox.path("Game/UT3");
    bool moved = false;
    const auto moveAside = [&](const QString &path) {
        // Windows holds the folder from the start: it cannot be moved at all.
        if (path != QDir::toNativeSeparators(at) || !QDir().rename(root, root + ".moved"))
            return;
        moved = true;
        if (instead == "folder")
            QVERIFY(QDir().mkdir(root));
        if (instead.startsWith("link"))
            QVERIFY(QFile::link(
                instead == "link back" ? root + ".moved" : sandbox.path("Elsewhere"), root));
    };
    const QStringList seen = install(wizard, "", moveAside);
    if (!moved) {
        QCOMPARE(seen.mid(seen.size() - 2), (QStringList {"done", "written 0"}));
        QVERIFY(QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows);
        QSKIP("the game's folder could not be moved aside while the copy held it");
    }
    QCOMPARE(seen,
             log.replace("<root>", root)
                 .replace("file Sub/", "file " + QDir::toNativeSeparators("Sub/"))
                 .split(';'));
    QVERIFY(QDir(sandbox.path("Elsewhere")).isEmpty());
}

void TestInstall::killedCopyLeavesNoPartialFile()
{
    Sandbox sandbox;
    constexpr qint64 size = 192 * megabyte;
    // Progress shows in a tmpfs's free space (the file has no name yet), on Windows in its size.
    const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    std::optional<TmpfsMount> mount;
    if (!windows && !mount.emplace(sandbox.path("target"), 2 * size).isMounted())
        QSKIP(qPrintable(mount->reason()));
    const QString folder = sandbox.path("target");
    QDir().mkpath(folder);
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 4093) & 0xff);
    sandbox.write("source.bin", data);
    const QString source = sandbox.path("source.bin");
    const QString target = folder + "/large.bin";

    QStorageInfo storage(folder);
    const qint64 before = storage.bytesAvailable();
    const auto written = [&] { // Windows: the one temporary's size, once it is there
        storage.refresh();
        return windows ? QFileInfo(folder + '/' + entriesOf(folder).value(0)).size()
                       : before - storage.bytesAvailable();
    };
    QProcess child;
    qputenv("DUSKMERE_COPY_JOB", QFile::encodeName(source + '\n' + target));
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("DUSKMERE_COPY_JOB");
    QVERIFY(child.waitForStarted());
    const QDeadlineTimer deadline(30000);
    qint64 used = 0;
    while (used < size / 4 && child.state() == QProcess::Running && !deadline.hasExpired())
        used = written();
    QVERIFY2(used >= size / 4 && used < size, "the copy was not caught half way");
    child.kill();
    QVERIFY(child.waitForFinished());

    // Complete or absent; the next copy clears a leftover temporary.
    QVERIFY(!QFileInfo::exists(target) || sandbox.read(target) == data);
    QVERIFY(copyOne(source, target));
    QVERIFY(sandbox.read(target) == data);
    QCOMPARE(entriesOf(folder), QStringList {"large.bin"});
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
}

void TestInstall::shortcutNames()
{
    QFETCH(QString, value);
    QFETCH(bool, name);
    QFETCH(bool, group);
    QCOMPARE(ShortcutNames::isFileName(value), name);
    QCOMPARE(ShortcutNames::isFolderPath(value), group);
}

void TestInstall::folderSwappedForALinkMeanwhile()
{
    Sandbox sandbox;
    // The big file sorts before the folder, so the worker has prepared that folder and is busy.
    sandbox.write("GameFiles/DuskmereGame/Big.bin", QByteArray(128 * megabyte, 'b'));
    for (const char *name : {"DefaultGame.ini", "DefaultInput.ini"})
        sandbox.write(QString("GameFiles/DuskmereGame/Config/") + name, name);
    sandbox.write("Outside/DefaultGame.ini", "keep");
    const QMap<QString, QByteArray> outside = Sandbox::tree(sandbox.path("Outside"));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString game = wizard.ut3UserDir + "/DuskmereGame"; // from an earlier install
    sandbox.mkdir(game);
    // Anonymous temporaries show no name to wait for; named ones do.
    const auto usual = qScopeGuard([] { fileSystemLike = FileSystemLike::Usual; });
    fileSystemLike = FileSystemLike::NoAnonymousFiles;

    QProcess child;
    qputenv("DUSKMERE_SWAP_JOB",
            QFile::encodeName(game + '\n' + game + "/Config\n" + sandbox.path("Outside")));
    child.start(QCoreApplication::applicationFilePath(), {});
    qunsetenv("DUSKMERE_SWAP_JOB");
    QVERIFY(child.waitForReadyRead(30000));
    if (!child.readLine().startsWith("watching"))
        QSKIP("this system makes no links to folders (Wine)");
    const QStringList log = install(wizard);
    QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished());
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(log.mid(log.size() - 2), (QStringList {"done", "written 128"}));
    // The link went as itself; the folder it pointed to kept what it held and got nothing more.
    QCOMPARE(Sandbox::tree(sandbox.path("Outside")), outside);
    QCOMPARE(entriesOf(sandbox.path("Game")), QStringList {"UT3"});
    QCOMPARE(Sandbox::tree(game + "/Config"),
             Sandbox::tree(sandbox.path("GameFiles/DuskmereGame/Config")));
}

void TestInstall::folderSwappedBetweenTwoOfItsFiles_data()
{
    QTest::addColumn<QString>("swapped"); // below the game's folder; the files go to its Config
    QTest::newRow("the folder itself") << "DuskmereGame/Config";
    QTest::newRow("the folder above it") << "DuskmereGame";
}

// The folder's first file is placed (and later ones copied ahead) before the swap; the rest must
// still land in the folder at the path, never in the one moved aside nor through the link.
void TestInstall::folderSwappedBetweenTwoOfItsFiles()
{
    QFETCH(QString, swapped);
    Sandbox sandbox;
    for (const char *name : {"DefaultGame.ini", "DefaultInput.ini", "DefaultWeapon.ini"})
        sandbox.write(QString("GameFiles/DuskmereGame/Config/") + name, name);
    // The link leads to a folder with a Config of its own, wherever it stands on the path.
    sandbox.write("Outside/Config/keep.txt", "keep");
    const QMap<QString, QByteArray> outside = Sandbox::tree(sandbox.path("Outside"));
    DuskmereWizard wizard;
    wizard.gatherPage->collectFiles();
    wizard.ut3UserDir = sandbox.path("Game/UT3");
    const QString config = wizard.ut3UserDir + "/DuskmereGame/Config";
    const QString folder = wizard.ut3UserDir + '/' + swapped;
    sandbox.mkdir("Game");
    const QString outsideFolder =
        sandbox.path(swapped.contains('/') ? "Outside/Config" : "Outside");
    if (!Sandbox::linkFolder(outsideFolder, sandbox.path("Game/link")))
        QSKIP("this system makes no links to folders (Wine)");
    bool moved = false;
    const auto swap = [&](const QString &path) {
        // Windows holds the folder while files copied there wait: it cannot be moved at all.
        if (path.endsWith("DefaultInput.ini") && QDir().rename(folder, folder + ".moved"))
            moved = QDir().rename(sandbox.path("Game/link"), folder);
    };
    const QStringList log = install(wizard, "", swap);
    QCOMPARE(log.mid(log.size() - 2), (QStringList {"done", "written 0"}));
    if (QOperatingSystemVersion::currentType() != QOperatingSystemVersion::Windows)
        QVERIFY(moved);
    const QStringList names {"DefaultGame.ini", "DefaultInput.ini", "DefaultWeapon.ini"};
    QVERIFY(!QFileInfo(folder).isSymLink());
    QCOMPARE(Sandbox::tree(config).keys(), moved ? names.mid(1) : names);
    QCOMPARE(sandbox.read(config + "/DefaultWeapon.ini"), QByteArray("DefaultWeapon.ini"));
    if (moved)
        QCOMPARE(Sandbox::tree(folder + ".moved").keys(),
                 QStringList {QDir(folder).relativeFilePath(config + "/DefaultGame.ini")});
    QCOMPARE(Sandbox::tree(sandbox.path("Outside")), outside);
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
    // The link is complete by then and goes again: a shortcut is whole or absent.
    row("a folder in the menu launcher's place", "", false, "S");
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
    if (tag.contains("launcher's place")) {
        SKIP_ON_WINDOWS("no launchers there");
        QDir().mkpath(Platform::launcherFolder(Platform::LauncherPlace::Menu)
                      + "/The Duskmere/The Duskmere.desktop");
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
